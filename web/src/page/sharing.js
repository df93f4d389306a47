// Sharing a run: what it wrote, through the clipboard, and a link that runs
// it again on the same input (run-link.js). Each gives what the status line
// is to say.
import { linkTo, mostLinkedBytes } from './run-link.js';

// The clipboard API where the browser allows it, else the older copy command.
export async function copyText(text) {
  try {
    await navigator.clipboard.writeText(text);
    return true;
  } catch {
    const area = Object.assign(document.createElement('textarea'), { value: text });
    document.body.append(area);
    area.select();
    const copied = document.execCommand('copy');
    area.remove();
    return copied;
  }
}

// The run's output as far as it was kept (the first 16 MiB).
export async function copyOutput({ copied, copiedSize, written }) {
  const text = new TextDecoder().decode(await new Blob(copied).arrayBuffer());
  if (!(await copyText(text))) {
    return 'The browser did not let the page copy the output; select it in the terminal and copy it by hand.';
  }
  const whole = copiedSize === written;
  return `Copied ${copiedSize.toLocaleString('en')} bytes of output${whole ? '' : ' (the first 16 MiB)'}.`;
}

// A link, from the page's address `page`, that runs the program again on
// the run's whole input, typed (`sent`) or a file, with its breakpoints
// (a Set of 'file:line') and changed files (change-link.js): { address, said }, with address null where the
// input cannot go in a link.
export async function linkToRun(page, { name, file, sent, sentSize, stepped, breaks }, change = '') {
  const size = file?.size ?? sentSize;
  if (size > mostLinkedBytes) {
    return { address: null, said: `This run's input is ${size.toLocaleString('en')} bytes, more than a link carries ` +
      `(${mostLinkedBytes.toLocaleString('en')}): share it as an answers file instead.` };
  }
  let bytes;
  try {
    bytes = new Uint8Array(await (file ?? new Blob(sent)).arrayBuffer());
  } catch (error) {
    return { address: null, said: `No link: cannot read ${file.name}: ${error.message}` };
  }
  const address = linkTo(page, name, bytes, stepped, breaks, change);
  return { address, said: (await copyText(address))
    ? 'Copied the link to this run: it runs the program on the same input and shows what it wrote.'
    : 'The browser did not let the page copy the link: it is shown below the buttons.' };
}
