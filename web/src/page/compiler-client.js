// Compiles a change to a program's files into a program the page runs as it
// runs a built-in one. This build has no compiler: every compile is refused
// as one the browser cannot run, so that Edit says so and the rest of the
// page works on.
//   compileChange(entry, texts, { onProgress, signal }) → Promise of
//     { ok: true, entry, diagnostics, log } or { ok: false, diagnostics, log }
export async function compileChange() {
  throw new Error('the compiler is not in this build');
}
