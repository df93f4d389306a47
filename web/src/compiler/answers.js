// YoWASP's clang fetches its code and its files from beside its module; in
// a worker made from a Blob there is nothing beside it, so its fetches of
// intkit:/clang/NAME are answered here from the bytes the page handed over.
// Imported first, as the package keeps the fetch it finds when it loads.
const answers = new Map();
const passOn = globalThis.fetch;

export function answer(name, bytes) {
  answers.set(name, bytes);
}

globalThis.fetch = async (url, init) => {
  const name = /^intkit:\/clang\/(.+)$/.exec(String(url))?.[1];
  if (name === undefined) {
    return passOn(url, init);
  }
  if (!answers.has(name)) {
    throw new Error(`the compiler asked for ${name}, which the page does not have`);
  }
  const type = name.endsWith('.wasm') ? 'application/wasm' : 'application/octet-stream';
  return new Response(answers.get(name), { headers: { 'content-type': type } });
};
