// The page's side of one run (worker.js): starts the program in a Worker of
// its own, hands it input, and shows its output a piece at a time,
// acknowledging each piece once shown so that the program waits while the
// page is behind (and the worker fast-forwards). Stopping ends the worker
// and drops what was not shown.
//
// Input is typed (send and end) or, for a run with an answers file, that
// file alone: read a slice each time the program waits, then its end.

const mostShownAtOnce = 16384;
const fileSlice = 65536;

// A worker that runs the program, what it says kept until a Run takes it
// over: the page starts the one a link asks for before its own script is
// read (boot.js).
export function launch(workerUrl, { base64, compressed = false, name, debug }, stepping = false, breaks = []) {
  const worker = new Worker(workerUrl);
  const launched = { worker, said: [], stepping };
  worker.onmessage = ({ data }) => launched.said.push(data);
  worker.onerror = (event) => {
    event.preventDefault();
    launched.said.push({ kind: 'crash', message: event.message });
  };
  worker.postMessage({ kind: 'start', base64, compressed, name, debug, stepping, breaks: [...breaks] });
  return launched;
}

export class Run {
  // launched: from launch(); handlers: wrote(size, copies, calls, skipped)
  // as the program writes to standard output (copies: Uint8Arrays of its
  // first 16 MiB; calls: those that ended, trace.js), show(bytes, done) to
  // draw, exit({ code } or { message }), and where there is a trace,
  // paused(stop) once all before it is shown (worker.js) and reading(call); file: a
  // File or Blob as the whole of standard input, or null. Without resize(),
  // every byte is drawn.
  constructor({ worker, said, stepping = false }, { file = null }, handlers) {
    this.handlers = handlers;
    this.file = file;
    this.fileOffset = 0;
    this.queue = []; // bytes not shown yet
    this.showing = false;
    this.result = null;
    this.stopped = false;
    this.pausedAt = null; // the statement it stops before, once all before is shown
    this.stepping = stepping; // runs to a statement, not freely
    this.stoppedAt = null; // the statement it stopped before, until a step
    this.ahead = []; // steps asked for before it had stopped again
    this.worker = worker;
    this.worker.onmessage = ({ data }) => this.receive(data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.finish({ message: event.message });
    };
    // What it said before, once whoever made this Run has it: an exit among
    // it must not be told before the constructor has even returned.
    queueMicrotask(() => said.forEach((message) => this.receive(message)));
  }

  receive(message) {
    if (this.stopped) {
      return;
    }
    switch (message.kind) {
      case 'wrote':
        this.handlers.wrote(message.size, message.copies.map((copy) => new Uint8Array(copy)), message.calls,
          message.skipped);
        break;
      case 'paused':
        this.pausedAt = message.stop;
        this.pump();
        break;
      case 'output':
        this.queue.push(new Uint8Array(message.bytes));
        this.pump();
        break;
      case 'read':
        this.handlers.reading?.(message.call);
        this.readFile();
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
    const bytes = this.queue[0];
    if (bytes === undefined) {
      if (this.pausedAt !== null) {
        this.stopBefore(this.pausedAt);
        this.pausedAt = null;
      }
      if (this.result !== null) {
        this.stopped = true;
        this.worker.terminate();
        this.handlers.exit(this.result);
      }
      return;
    }
    const piece = bytes.subarray(0, mostShownAtOnce);
    if (piece.length === bytes.length) {
      this.queue.shift();
    } else {
      this.queue[0] = bytes.subarray(piece.length);
    }
    this.showing = true;
    this.handlers.show(piece, () => {
      this.showing = false;
      if (!this.stopped) {
        this.post({ kind: 'ack', size: piece.length });
        this.pump();
      }
    });
  }

  // The next slice of the answers file, or its end. A file that can no
  // longer be read (changed on disk since it was chosen) ends the run.
  async readFile() {
    if (this.file === null) {
      return;
    }
    const at = this.fileOffset;
    if (at >= this.file.size) {
      this.post({ kind: 'end' });
      return;
    }
    this.fileOffset = Math.min(at + fileSlice, this.file.size);
    try {
      const bytes = await this.file.slice(at, this.fileOffset).arrayBuffer();
      this.post({ kind: 'input', bytes }, [bytes]);
    } catch (error) {
      if (!this.stopped) {
        this.stop();
        this.handlers.exit({ message: `cannot read ${this.file.name ?? 'the answers file'}: ${error.message}` });
      }
    }
  }

  // Typed input; a run with an answers file takes none.
  send(bytes) {
    if (this.file === null) {
      this.post({ kind: 'input', bytes: bytes.buffer }, [bytes.buffer]);
    }
  }

  // The terminal's size, for fast-forward.
  resize(size) {
    this.post({ kind: 'size', size });
  }

  // Stopped before `stop`: told, unless a step asked for meanwhile runs it.
  stopBefore(stop) {
    if (this.ahead.length > 0) {
      this.post({ kind: 'step', how: this.ahead.shift() });
    } else {
      Object.assign(this, { stoppedAt: stop, stepping: true }); // at a breakpoint too
      this.handlers.paused?.(stop);
    }
  }

  // Runs on to the next statement, 'over' calls, 'into' them or 'out' of
  // the function; on the way to the next stop, one more after it; or,
  // running freely, stops before the next statement.
  step(how = 'over') {
    if (this.stoppedAt !== null) {
      this.stoppedAt = null;
      this.post({ kind: 'step', how });
    } else if (this.stepping) {
      this.ahead.push(how);
    } else {
      this.stepping = true;
      this.post({ kind: 'step', how: 'into' });
    }
  }

  // Runs to the next breakpoint, whether or not the stop it was told of is shown yet.
  resume() {
    Object.assign(this, { stepping: false, pausedAt: null, stoppedAt: null, ahead: [] });
    this.post({ kind: 'continue' });
  }

  // The breakpoints, as 'file:line'.
  breaks(breaks) {
    this.post({ kind: 'breaks', breaks: [...breaks] });
  }

  end() {
    if (this.file === null) {
      this.post({ kind: 'end' });
    }
  }

  post(message, transfer = []) {
    if (!this.stopped) {
      this.worker.postMessage(message, transfer);
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
