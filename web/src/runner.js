// The page's side of one run (worker.js): starts the program in a Worker of
// its own, hands it input, and shows its output a piece at a time,
// acknowledging each piece once shown so that the program waits while the
// page is behind. Stopping ends the worker and drops what was not shown.

const mostShownAtOnce = 16384;

export class Run {
  // handlers: show(fd, bytes, done), read(), exit({ code } or { message })
  constructor(workerUrl, { wasm, name }, handlers) {
    this.handlers = handlers;
    this.queue = []; // [fd, bytes] not shown yet
    this.showing = false;
    this.result = null;
    this.stopped = false;
    this.worker = new Worker(workerUrl);
    this.worker.onmessage = ({ data }) => this.receive(data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.finish({ message: event.message });
    };
    this.worker.postMessage({ kind: 'start', wasm, name });
  }

  receive(message) {
    if (this.stopped) {
      return;
    }
    switch (message.kind) {
      case 'output':
        this.queue.push([message.fd, new Uint8Array(message.bytes)]);
        this.pump();
        break;
      case 'read':
        this.handlers.read();
        break;
      case 'exit':
        this.finish({ code: message.code });
        break;
      case 'crash':
        this.finish({ message: message.message });
        break;
    }
  }

  // The result is told once everything before it has been shown.
  finish(result) {
    this.result = result;
    this.pump();
  }

  pump() {
    if (this.showing || this.stopped) {
      return;
    }
    const next = this.queue[0];
    if (next === undefined) {
      if (this.result !== null) {
        this.stopped = true;
        this.worker.terminate();
        this.handlers.exit(this.result);
      }
      return;
    }
    const [fd, bytes] = next;
    const piece = bytes.subarray(0, mostShownAtOnce);
    if (piece.length === bytes.length) {
      this.queue.shift();
    } else {
      next[1] = bytes.subarray(piece.length);
    }
    this.showing = true;
    this.handlers.show(fd, piece, () => {
      this.showing = false;
      if (!this.stopped) {
        this.worker.postMessage({ kind: 'ack', size: piece.length });
        this.pump();
      }
    });
  }

  send(bytes) {
    if (!this.stopped) {
      this.worker.postMessage({ kind: 'input', bytes: bytes.buffer }, [bytes.buffer]);
    }
  }

  end() {
    if (!this.stopped) {
      this.worker.postMessage({ kind: 'end' });
    }
  }

  get running() {
    return !this.stopped;
  }

  stop() {
    this.stopped = true;
    this.queue = [];
    this.worker.terminate();
  }
}
