// The web build's compile and link lines made into the same for YoWASP's
// clang, on its virtual files: the tree at /src, the objects at /obj. Its
// clang 22 takes the target as wasm32-wasip1 (wasm32-wasi is deprecated, an
// error under -Werror) and brings its own C and C++ libraries under /usr.
const target = '--target=wasm32-wasip1';

// COMMAND as compile_commands.json has it, ROOT the tree's top, OBJECT the output.
export function unitArgs(command, root, object) {
  const words = command.split(' ').filter((word) => word).slice(1)
    .filter((word) => !/^--(target|sysroot)=/.test(word))
    .map((word) => word.replaceAll(root.replace(/\/$/, ''), '/src'));
  const at = words.indexOf('-o');
  words[at + 1] = `/obj/${object}`;
  return ['clang++', target, ...words, '-MD', '-MF', `/obj/${object}.d`];
}

// A program of one line, compiled and linked at once: what the worker builds first, to warm the compiler.
export const warmArgs = ['clang++', target, '-g', '-O0', '/src/warm.cpp', '-o', '/obj/warm.wasm'];

// The program's own OBJECTS then each archive's objects, taken only where needed as the archive's are.
export function linkArgs(name, flags = [], linkFlags = [], objects, archives) {
  const lib = (members) => ['-Wl,--start-lib', ...members.map((member) => `/obj/${member}`), '-Wl,--end-lib'];
  return ['clang++', target, ...flags, ...linkFlags, ...objects.map((object) => `/obj/${object}`),
    ...archives.flatMap(lib), '-o', `/obj/${name}.wasm`];
}
