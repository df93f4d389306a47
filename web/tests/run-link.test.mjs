// Links to runs: every byte goes there and back, and a fragment that is
// not a run's input is refused.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { fromLink, linkTo } from '../src/run-link.js';

test('every byte value survives the link, which reads as the input where it can', () => {
  const bytes = Uint8Array.from({ length: 256 }, (_, i) => i);
  const address = new URL(linkTo('file:///site/index.html?program=x#input=1', 'keyfind', bytes));
  assert.equal(address.href.replace(/%../g, ''), 'file:///site/index.html?program=keyfind#input=-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~');
  assert.deepEqual(fromLink(address.search, address.hash), { program: 'keyfind', embed: false, input: bytes });
});

// Each row: a fragment, and what it gives: the input's text or the start of the refusal.
const rows = [
  ['', null],
  ['#input=3%0a1%20-2+(x)', '3\n1 -2+(x)'],
  ['#<img src=x onerror=alert(1)>', 'The part of the link after #'],
  ['#input={alert(1)}', 'The part of the link after #'],
  ['#input=12%ZZ', 'The part of the link after #'],
  ['#input=12%4', 'The part of the link after #'],
  [`#input=${'1'.repeat(4096)}`, '1'.repeat(4096)],
  [`#input=${'%31'.repeat(4097)}`, "The link's input is over 4096 bytes"],
];

for (const [hash, expected] of rows) {
  test(`the fragment ${hash.slice(0, 30)}`, () => {
    const got = fromLink('?program=keyfind&embed', hash);
    assert.equal(got.embed, true);
    const text = got.error ?? (got.input && new TextDecoder().decode(got.input));
    assert.equal(got.error === undefined ? text : text.slice(0, expected.length), expected);
  });
}
