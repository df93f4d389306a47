// The changed files of a run in its link: { path: text } as JSON, squeezed
// by deflate (CompressionStream's 'deflate-raw', what zlib's raw deflate
// makes too) and written in base64url, after &changed= in the fragment, so
// that the code, like the input, is never sent to a server. A link that is
// too long or does not decode is refused, and nothing runs.

export const mostChangedCharacters = 16384; // what a chat or mail program still passes on whole
const mostChangedBytes = 1 << 20; // unpacked: no deflate bomb fills the page's memory

const refused = (why) => ({ error: `The link's changed code ${why}, so nothing was run.` });

// A refusal of `encoded` that needs no unpacking: too long or not base64url; else null.
export function changeError(encoded) {
  if (encoded.length > mostChangedCharacters) {
    return refused(`is over ${mostChangedCharacters.toLocaleString('en')} characters, too long for a link`).error;
  }
  return /^[A-Za-z0-9_-]+$/.test(encoded) ? null : refused('is malformed: not base64url').error;
}

export async function encodeChange(texts) {
  const packed = new Response(JSON.stringify(texts)).body.pipeThrough(new CompressionStream('deflate-raw'));
  const bytes = new Uint8Array(await new Response(packed).arrayBuffer());
  let binary = '';
  for (const byte of bytes) {
    binary += String.fromCharCode(byte);
  }
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// { texts } from `encoded`, each path a file of `program`, or { error }.
export async function decodeChange(encoded, program) {
  const error = changeError(encoded);
  if (error !== null) {
    return { error };
  }
  let text;
  try {
    const binary = atob(encoded.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
    const reader = new Response(bytes).body.pipeThrough(new DecompressionStream('deflate-raw')).getReader();
    const chunks = [];
    let size = 0;
    for (let read = await reader.read(); !read.done; read = await reader.read()) {
      size += read.value.length;
      if (size > mostChangedBytes) {
        await reader.cancel();
        return refused(`unpacks to over ${mostChangedBytes.toLocaleString('en')} bytes, too long`);
      }
      chunks.push(read.value);
    }
    text = new TextDecoder('utf-8', { fatal: true }).decode(await new Blob(chunks).arrayBuffer());
  } catch {
    return refused('is malformed: it does not unpack');
  }
  let texts;
  try {
    texts = JSON.parse(text);
  } catch {
    return refused('is malformed: not the files of a program');
  }
  const paths = new Set(program.sources.map(({ path }) => path));
  const entries = texts !== null && typeof texts === 'object' && !Array.isArray(texts) ? Object.entries(texts) : [];
  const stray = entries.find(([path, value]) => !paths.has(path) || typeof value !== 'string');
  if (entries.length === 0 || stray !== undefined) {
    return refused(`is malformed: ${stray === undefined ? 'no file' : `"${stray[0]}" is not a file of ${program.name}`}`);
  }
  return { texts };
}
