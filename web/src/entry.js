// What a program's entry in the site tells beside its code, shared by the
// site's build and the compiler's worker: the lines of each file a stop
// can be put on, from the stops the stops tool wrote.
export function statementLines(debug) {
  const statements = {};
  for (const { file, line } of debug.stops) {
    (statements[file] ??= []).includes(line) || statements[file].push(line);
  }
  return statements;
}
