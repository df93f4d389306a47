// Starts the program that a link asks for as soon as the programs are
// loaded, before the page's own, larger script (xterm.js among it) is read,
// so that its worker starts and compiles it meanwhile; the page takes the
// run over (page.js). Built into programs.js, after the programs.
import { fromLink } from './run-link.js';
import { launch } from './runner.js';

const { intkitPrograms: programs, intkitWorkerSource: workerSource } = globalThis;
const asked = fromLink(location.search, location.hash, programs);
// A changed program waits for its compile (editing.js).
const program = asked.error === undefined && asked.change === null ? programs.find((p) => p.name === asked.program) : undefined;
const workerUrl = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
globalThis.intkitBoot = {
  workerUrl,
  launched: program === undefined ? null : { name: program.name, ...launch(workerUrl, program, asked.step, asked.breaks) },
};
