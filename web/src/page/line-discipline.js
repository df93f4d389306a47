// A terminal's line mode, as a pure function: what the user types (a key,
// or a whole paste) becomes what the terminal shows and what the program
// reads. Typed characters echo, Backspace erases within the line, Enter sends
// the line with its newline; Ctrl-D sends the line as it is, or at the start
// of a line ends the input; Ctrl-C interrupts.
//
//   type(state, data) -> { state, echo, sends, interrupt }
// where each of `sends` is { text } or { end: true }.

export const freshLine = Object.freeze({ line: '', ended: false, afterReturn: false });

export function type(state, data) {
  let { line, ended, afterReturn } = state;
  let echo = '';
  const sends = [];
  let interrupt = false;
  for (let i = 0; i < data.length; i++) {
    const c = data[i];
    const wasReturn = afterReturn;
    afterReturn = c === '\r';
    if (c === '\x03') {
      interrupt = true;
      echo += '^C\r\n';
      line = '';
      break;
    }
    if (ended) {
      continue; // the program reads no more
    }
    if (c === '\r' || (c === '\n' && !wasReturn)) {
      sends.push({ text: `${line}\n` });
      echo += '\r\n';
      line = '';
    } else if (c === '\x04') {
      if (line === '') {
        sends.push({ end: true });
        ended = true;
      } else {
        sends.push({ text: line });
        line = '';
      }
    } else if (c === '\x7f' || c === '\b') {
      if (line !== '') {
        line = Array.from(line).slice(0, -1).join('');
        echo += '\b \b';
      }
    } else if (c === '\x1b') {
      i = skipEscape(data, i); // arrows, function keys: no line editing here
    } else if (c >= ' ' || c === '\t') {
      line += c;
      echo += c;
    }
  }
  return { state: { line, ended, afterReturn }, echo, sends, interrupt };
}

// The index of the last character of the escape sequence starting at `i`.
function skipEscape(data, i) {
  if (data[i + 1] !== '[' && data[i + 1] !== 'O') {
    return i;
  }
  let j = i + 2;
  while (j < data.length && !/[@-~]/.test(data[j])) {
    j++;
  }
  return j;
}
