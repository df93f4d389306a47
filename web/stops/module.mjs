// Where the program keeps what its stops read and write: the arming byte
// (intkit_stopping) and the callers' table (intkit_frames), as the module
// itself says when asked, instantiated with imports that do nothing.
// { armed, table }; both undefined for a module without stops.
export function addresses(bytes) {
  const module = new WebAssembly.Module(bytes);
  const imports = {};
  for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') {
      throw new Error(`the program imports a ${kind}, ${from}.${name}, which the stops tool cannot stand in for`);
    }
    (imports[from] ??= {})[name] = () => 0;
  }
  const { exports } = new WebAssembly.Instance(module, imports);
  return { armed: exports.intkit_stopping?.(), table: exports.intkit_frames?.() };
}
