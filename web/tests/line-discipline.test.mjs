// The terminal's line mode: keys (or a paste) in; echo, what the program
// reads, and whether to stop out.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { freshLine, type } from '../src/page/line-discipline.js';

// Each row: what is typed, in pieces as the terminal delivers them; the echo;
// what is sent ('<end>' for the end of input); whether it interrupts.
const rows = [
  [['12', '\r'], '12\r\n', ['12\n'], false],
  [['1 2\r3\r\n4\r'], '1 2\r\n3\r\n4\r\n', ['1 2\n', '3\n', '4\n'], false], // a paste, CRLF too
  [['1\n2\n'], '1\r\n2\r\n', ['1\n', '2\n'], false],
  [['\r', '\n'], '\r\n', ['\n'], false], // a CR ending one piece, its LF the next
  [['7x\x7f\x7f\x7f9\r'], '7x\b \b\b \b9\r\n', ['9\n'], false], // Backspace stops at the line's start
  [['é\x7f5\r'], 'é\b \b5\r\n', ['5\n'], false],
  [['1😀\x7f5\r'], '1😀\b \b5\r\n', ['15\n'], false], // a character outside the BMP goes whole
  [['5', '\x04'], '5', ['5'], false], // Ctrl-D with text: sent as it is
  [['\x04', '5\r'], '', ['<end>'], false], // at a line's start: the end, and nothing after it
  [['\x1b[A\x1bOB4\r'], '4\r\n', ['4\n'], false], // arrows are not line editing
  [['12\x033'], '12^C\r\n', [], true],
  [['\x01\t3\r'], '\t3\r\n', ['\t3\n'], false],
];

for (const [pieces, echo, sent, interrupt] of rows) {
  test(`typing ${JSON.stringify(pieces)}`, () => {
    let state = freshLine;
    const got = { echo: '', sent: [], interrupt: false };
    for (const piece of pieces) {
      const step = type(state, piece);
      state = step.state;
      got.echo += step.echo;
      got.sent.push(...step.sends.map((send) => (send.end ? '<end>' : send.text)));
      got.interrupt ||= step.interrupt;
    }
    assert.deepEqual(got, { echo, sent, interrupt });
  });
}
