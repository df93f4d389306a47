// Breakpoints: the lines of the program's own files a run is to stop
// before, as a Set of 'file:line' strings, and their form in a link,
// &break=FILE:LINE, once for each.

// `set` with `file`:`line` added, or taken out where it was in; a new Set,
// so that the page can tell the old from the new.
export function toggled(set, file, line) {
  const key = `${file}:${line}`;
  const next = new Set(set);
  if (!next.delete(key)) {
    next.add(key);
  }
  return next;
}

// The breakpoints a link names, `values` as its &break= pieces: { breaks }
// with each 'file:line' once, or { breaks: [], error } naming the first
// piece that is not a line of one of `files` (any file, where not given).
export function parseBreaks(values, files) {
  const known = files === undefined ? null : new Set(files);
  for (const value of values) {
    const [, file, line] = /^(.+):([1-9][0-9]{0,5})$/.exec(value) ?? [];
    const why = file === undefined ? 'which is not a file and a line as FILE:LINE'
      : known !== null && !known.has(file) ? 'which is not a file of this program' : null;
    if (why !== null) {
      return { breaks: [], error: `The link's breakpoint "${value}", ${why}, so nothing was run.` };
    }
  }
  return { breaks: [...new Set(values)] };
}

// The query's pieces for `set`, '' for none, in the order of file and line,
// so that the same breakpoints make the same link.
export function formatBreaks(set) {
  const order = (key) => [key.slice(0, key.lastIndexOf(':')), Number(key.slice(key.lastIndexOf(':') + 1))];
  return [...set].map(order).sort(([a, m], [b, n]) => (a === b ? m - n : a < b ? -1 : 1))
    .map(([file, line]) => `&break=${encodeURIComponent(file).replace(/%2F/g, '/')}:${line}`).join('');
}
