// The page's side of the compiler: compileChange(entry, texts, { onProgress,
// signal }) builds a program's changed files into an entry the runner runs
// as a built-in one. compiler.js (some 60 MB) is loaded only once Edit is
// pressed, by a <script> beside the page, which a page opened from disk
// may load though it may fetch nothing; its worker is a classic one from a
// Blob of its text, as the program's is, and keeps clang loaded between
// changes. Cancel ends the worker; the next change starts another.
let worker = null;
let calls = 0; // the changes asked for, so that a worker's answer goes to its own

function loadPack() {
  if (globalThis.intkitCompiler !== undefined) {
    return Promise.resolve(globalThis.intkitCompiler);
  }
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'compiler.js';
    script.onload = () => resolve(globalThis.intkitCompiler);
    script.onerror = () => reject(new Error('The compiler (compiler.js) could not be loaded beside the page.'));
    document.head.append(script);
  });
}

async function startWorker() {
  const { worker: source, pack } = await loadPack();
  const started = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  started.postMessage({ pack });
  return started;
}

const aborted = () => new DOMException('The change was not built: cancelled.', 'AbortError');
const cannotRun = (why) => new Error(`This browser could not run the compiler (${why}); `
  + 'it may have run out of memory. Closing other tabs and trying again may help.');

// Starts loading the compiler, as Edit does, so that it loads while the
// learner types; a failure is told with the first change.
export function prepareCompiler() {
  if (worker === null) {
    const started = startWorker();
    started.catch(() => worker === started && (worker = null));
    worker = started;
  }
}

export async function compileChange(entry, texts, { onProgress = () => {}, signal } = {}) {
  if (signal?.aborted) throw aborted();
  const call = ++calls;
  worker ??= startWorker();
  const running = worker;
  let own;
  try {
    own = await running;
  } catch (error) {
    worker = null;
    throw error;
  }
  if (signal?.aborted) { // while the worker was being made
    own.terminate();
    if (worker === running) worker = null;
    throw aborted();
  }
  return new Promise((resolve, reject) => {
    const done = () => {
      own.removeEventListener('message', onMessage);
      own.removeEventListener('error', onError);
      signal?.removeEventListener('abort', onAbort);
    };
    const end = () => {
      own.terminate();
      if (worker === running) worker = null;
    };
    const onMessage = ({ data }) => {
      if (call !== calls) return;
      if (data.progress !== undefined) {
        onProgress(data.progress);
      } else if (data.result !== undefined) {
        done();
        resolve(data.result);
      } else if (data.failed !== undefined) {
        done();
        end();
        reject(cannotRun(data.failed));
      }
    };
    const onError = (event) => {
      done();
      end();
      reject(cannotRun(event.message ?? 'its worker stopped'));
    };
    const onAbort = () => {
      done();
      end();
      reject(aborted());
    };
    own.addEventListener('message', onMessage);
    own.addEventListener('error', onError);
    signal?.addEventListener('abort', onAbort);
    own.postMessage({ entry, texts });
  });
}
