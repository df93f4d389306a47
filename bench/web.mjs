// The page's speed opened from disk, in each browser engine there is: how
// long from opening it to keyfind's first prompt, and how long digitstair
// 20000 (1.15 GB of output) takes from Enter to its exit, beside the same
// program under Node.js writing to /dev/null. A measurement, not a test.
//   node bench/web.mjs [SITE] [ENGINE...]   (default build/web/site; make it with the web preset)
import { spawnSync } from 'node:child_process';
import { dirname, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launch, missing } from '../web/browsers.mjs';

const [siteArgument = 'build/web/site', ...asked] = process.argv.slice(2);
const site = pathToFileURL(resolve(siteArgument)).href;
const tree = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const pause = (ms) => new Promise((done) => setTimeout(done, ms));
// What the page's own clock says when the terminal shows `text`, or null.
const shownAt = (text) => (document.querySelector('.xterm-rows')?.textContent.includes(text) ? performance.now() : null);
const status = () => document.getElementById('status').textContent;
const median = (times) => times.sort((a, b) => a - b)[times.length >> 1];

async function firstPrompt(browser) {
  const prompts = [];
  const scripts = [];
  for (let run = 0; run < 7; run++) {
    const page = await browser.newPage();
    await page.goto(`${site}/index.html?program=keyfind`);
    let at = null;
    while ((at = await page.evaluate(shownAt, 'Enter number elements (max):')) === null) {
      await pause(5);
    }
    prompts.push(at);
    scripts.push(await page.evaluate(() => performance.getEntriesByType('navigation')[0].domInteractive));
    await page.close();
  }
  return `first prompt: median ${median(prompts).toFixed(0)} ms after the page was asked for ` +
    `(${prompts[0].toFixed(0)} to ${prompts[6].toFixed(0)} ms over 7 runs; target: 300 ms at most); ` +
    `its scripts had run at ${median(scripts).toFixed(0)} ms`;
}

// From Enter to the status line's "exited", at most `limit` seconds; the
// slowest answer of the page to a trivial question meanwhile.
async function flood(browser, limit = 120) {
  const page = await browser.newPage();
  await page.goto(`${site}/index.html?program=digitstair`);
  while ((await page.evaluate(shownAt, 'enter a num:')) === null) {
    await pause(20);
  }
  await page.keyboard.type('20000\n');
  const start = performance.now();
  let slowest = 0;
  let said = '';
  while (!said.includes('exited') && performance.now() - start < limit * 1000) {
    const asked = performance.now();
    said = await page.evaluate(status);
    slowest = Math.max(slowest, performance.now() - asked);
    await pause(20);
  }
  const seconds = (performance.now() - start) / 1000;
  await page.close();
  const end = said.includes('exited') ? 'to its exit' : `and not done (${said})`;
  return `digitstair 20000: ${seconds.toFixed(2)} s from Enter ${end} (target: 3 s at most); ` +
    `the page answered within ${slowest.toFixed(0)} ms throughout`;
}

function underNode() {
  const started = performance.now();
  const run = spawnSync('sh', ['-c', `printf '20000\\n' | node "$0" "$1" >/dev/null`,
    resolve(tree, 'packaging/npm/run.mjs'), resolve(siteArgument, '../bin/digitstair.wasm')]);
  const seconds = (performance.now() - started) / 1000;
  return run.status === 0 ? `${seconds.toFixed(2)} s` : `not measured (${run.stderr})`;
}

console.log(`digitstair 20000 under Node.js to /dev/null, start-up included: ${underNode()}`);
for (const engine of asked.length > 0 ? asked : ['chromium', 'firefox', 'webkit']) {
  if (missing(engine)) {
    console.log(`${engine}: not measured, it needs ${missing(engine)}`);
    continue;
  }
  const browser = await launch(engine);
  console.log(`${engine}: ${await firstPrompt(browser)}`);
  console.log(`${engine}: ${await flood(browser)}`);
  await browser.close();
}
