// A run as a link: the program named in the query, as ?program=NAME (and
// &step where it is to stop before its first call, &break=FILE:LINE for each
// line it is to stop before, breakpoints.js), and its whole standard
// input in the fragment, as #input= and the bytes
// percent-encoded, since a browser never sends the fragment to a server.
// A byte that is a letter, a digit or one of -._~ stands as itself. The
// files of a changed program follow it as &changed= (change-link.js).

import { formatBreaks, parseBreaks } from './breakpoints.js';
import { changeError } from './change-link.js';

export const mostLinkedBytes = 4096;

const plain = /^[A-Za-z0-9\-._~]$/;
// What a fragment may hold, as the link was made or as a mail or chat
// program may have passed it on: nothing else is taken. `stray` finds the
// first piece that is none of it.
const stray = /%(?![0-9A-Fa-f]{2})|[^A-Za-z0-9\-._~!$&'()*+,;=:@/?%]/;

// The address of a run of `name` on `bytes`, from the page's own address.
export function linkTo(page, name, bytes, step = false, breaks = new Set(), change = '') {
  const base = page.replace(/[?#].*$/s, '');
  let input = '';
  for (const byte of bytes) {
    const c = String.fromCharCode(byte);
    input += plain.test(c) ? c : `%${byte.toString(16).toUpperCase().padStart(2, '0')}`;
  }
  const changed = change === '' ? '' : `&changed=${change}`;
  return `${base}?program=${encodeURIComponent(name)}${step ? '&step' : ''}${formatBreaks(breaks)}#input=${input}${changed}`;
}

// What a page address asks for: { program, embed, step, breaks, input } with
// breaks an array of 'file:line', input a Uint8Array, or null where there
// is no fragment, and change the changed files as the link has them, or
// null; with `error` too where a breakpoint is malformed or the fragment
// cannot be the input of a run, saying why. `programs`: the page's, so that
// a breakpoint in a file the program named does not have is refused.
export function fromLink(search, hash, programs = []) {
  const query = new URLSearchParams(search);
  const files = programs.find(({ name }) => name === query.get('program'))?.sources.map(({ path }) => path);
  const { breaks, error } = parseBreaks(query.getAll('break'), files);
  const asked = { program: query.get('program'), embed: query.has('embed'), step: query.has('step'), breaks,
    input: null, change: null };
  if (error !== undefined) {
    return { ...asked, error };
  }
  if (hash === '' || hash === '#') {
    return asked;
  }
  const [encoded, change = null] = hash.startsWith('#input=') ? hash.slice('#input='.length).split('&changed=', 2) : [];
  if (encoded === undefined) {
    return { ...asked, error: 'The part of the link after # is not the input of a run, so nothing was run.' };
  }
  const refused = change === null ? null : changeError(change);
  if (refused !== null) {
    return { ...asked, error: refused };
  }
  const found = stray.exec(encoded);
  if (found !== null) {
    const why = found[0] === '%' ? 'which is not a byte written as % and two hex digits' : 'which no link to a run holds';
    const piece = found[0] === '%' ? encoded.slice(found.index, found.index + 3) : found[0];
    return { ...asked, error: `The link's input holds "${piece}", ${why}, so nothing was run.` };
  }
  const bytes = Uint8Array.from(encoded.match(/%..|./gs) ?? [],
    (piece) => (piece.length === 3 ? parseInt(piece.slice(1), 16) : piece.charCodeAt(0)));
  if (bytes.length > mostLinkedBytes) {
    return { ...asked, error: `The link's input is over ${mostLinkedBytes} bytes, more than a link carries, so nothing was run.` };
  }
  return { ...asked, input: bytes, change };
}
