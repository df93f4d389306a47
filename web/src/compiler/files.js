// Between clang's virtual files (a tree of objects, a file a string or
// bytes) and paths, and what clang wrote about them.

// { 'a/b.cpp': text } as { src: { a: { 'b.cpp': text } } }, or under another top.
export function intoTree(files, top = 'src', tree = {}) {
  for (const [path, contents] of Object.entries(files)) {
    const names = [top, ...path.split('/')];
    const file = names.pop();
    let dir = tree;
    for (const name of names) dir = (dir[name] ??= {});
    dir[file] = contents;
  }
  return tree;
}

// The files a make rule from -MD names as the object's prerequisites.
export function dependencies(rule) {
  const text = typeof rule === 'string' ? rule : new TextDecoder().decode(rule);
  return text.replace(/\\\n/g, ' ').replace(/^[^:]*:/, '').split(/\s+/).filter((path) => path);
}

// clang's "file:line:column: severity: message" lines, a path of the tree
// told from the top of the tree, as the program's sources name it.
export function diagnostics(log) {
  const found = [];
  for (const match of log.matchAll(/^(?:\/src\/)?([^\s:][^:\n]*):(\d+):(\d+): (fatal error|error|warning|note): (.*)$/gm)) {
    const [, file, line, column, severity, message] = match;
    found.push({ file, line: Number(line), column: Number(column), severity: severity === 'note' ? 'note'
      : severity === 'warning' ? 'warning' : 'error', message });
  }
  return found;
}
