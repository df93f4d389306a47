// One run of one program, in a Web Worker of its own. Messages from the page:
//   { kind: 'start', wasm, name }   the program's Asyncify-built bytes, its name
//   { kind: 'input', bytes }        more of standard input (an ArrayBuffer)
//   { kind: 'end' }                 the end of standard input
//   { kind: 'ack', size }           the page has shown that many bytes of output
// and to the page:
//   { kind: 'output', fd, bytes }   what the program wrote (transferred)
//   { kind: 'read' }                the program waits for input
//   { kind: 'exit', code }          the program has ended
//   { kind: 'crash', message }      the program failed in a way no program should
import { Input, Output, Wasi, errno } from './wasi.js';
import { runProgram } from './asyncify.js';

// Output the page has not shown yet, at most: past it, writes wait.
const mostUnshown = 1 << 20;

const typed = []; // input received and not yet read, in order
let typedEnded = false;
let wakeReader = null;
let unshown = 0;
let wakeWriter = null;

function read() {
  if (typed.length > 0 || typedEnded) {
    return typed.shift() ?? new Uint8Array(0);
  }
  self.postMessage({ kind: 'read' });
  return new Promise((resolve) => {
    wakeReader = () => {
      wakeReader = null;
      resolve(typed.shift() ?? new Uint8Array(0));
    };
  });
}

function writer(fd) {
  return (bytes) => {
    unshown += bytes.length;
    self.postMessage({ kind: 'output', fd, bytes: bytes.buffer }, [bytes.buffer]);
    if (unshown <= mostUnshown) {
      return errno.success;
    }
    return new Promise((resolve) => {
      wakeWriter = () => {
        if (unshown <= mostUnshown) {
          wakeWriter = null;
          resolve(errno.success);
        }
      };
    });
  };
}

async function start({ wasm, name }) {
  const wasi = new Wasi({
    args: [name],
    fds: { 0: new Input(read), 1: new Output(writer(1)), 2: new Output(writer(2)) },
  });
  try {
    const code = await runProgram(await WebAssembly.compile(wasm), wasi);
    self.postMessage({ kind: 'exit', code });
  } catch (error) {
    self.postMessage({ kind: 'crash', message: String(error) });
  }
}

self.onmessage = ({ data }) => {
  switch (data.kind) {
    case 'start':
      start(data);
      break;
    case 'input':
      if (data.bytes.byteLength > 0) {
        typed.push(new Uint8Array(data.bytes)); // an empty read would be the end
        wakeReader?.();
      }
      break;
    case 'end':
      typedEnded = true;
      wakeReader?.();
      break;
    case 'ack':
      unshown -= data.size;
      wakeWriter?.();
      break;
  }
};
