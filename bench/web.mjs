// The page's speed opened from disk, in each browser engine there is: how
// long from opening it to keyfind's first prompt, how long digitstair 20000
// (1.15 GB of output) takes from Enter to its exit, beside the same program
// under Node.js writing to /dev/null, and how soon a stepped run answers
// F10. Given a second site built without the trace (the web preset with
// -DINTKIT_TRACE=OFF), the same for it, and the ratios. A measurement, not a test.
//   node bench/web.mjs [SITE] [--untraced=SITE] [ENGINE...]   (default build/web/site)
import { spawnSync } from 'node:child_process';
import { dirname, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launch, missing } from '../web/browsers.mjs';

const options = process.argv.slice(2).filter((arg) => arg.startsWith('--'));
const [siteArgument = 'build/web/site', ...asked] = process.argv.slice(2).filter((arg) => !arg.startsWith('--'));
const untraced = options.find((arg) => arg.startsWith('--untraced='))?.slice('--untraced='.length);
const url = (folder) => pathToFileURL(resolve(folder)).href;
const tree = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const pause = (ms) => new Promise((done) => setTimeout(done, ms));
// What the page's own clock says when the terminal shows `text`, or null.
const shownAt = (text) => (document.querySelector('.xterm-rows')?.textContent.includes(text) ? performance.now() : null);
const status = () => document.getElementById('status').textContent;
const median = (times) => times.sort((a, b) => a - b)[times.length >> 1];

// Milliseconds from asking for the page to keyfind's first prompt, `loads`
// times; and when the page's scripts had run.
async function firstPrompt(browser, site, loads) {
  const prompts = [];
  const scripts = [];
  for (let run = 0; run < loads; run++) {
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
  return { prompts, scripts };
}

// From Enter to the status line's "exited", at most `limit` seconds; the
// slowest answer of the page to a trivial question meanwhile.
async function flood(browser, site, limit = 120) {
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
  return { seconds, text: `${seconds.toFixed(2)} s from Enter ${end}, the page answering within ${slowest.toFixed(0)} ms` };
}

// From each F10 to the page's saying where the run stopped next, as the
// page's own clock has it: stepdemo's seven calls, three times.
async function steps(browser, site) {
  const times = [];
  for (let run = 0; run < 3; run++) {
    const page = await browser.newPage();
    await page.goto(`${site}/index.html?program=stepdemo&step`);
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('stopped before'));
    await page.evaluate(() => {
      window.stepTimes = [];
      addEventListener('keydown', () => (window.pressedAt = performance.now()), true);
      const status = document.getElementById('status');
      new MutationObserver(() => /stopped before|exited/.test(status.textContent) && stepTimes.push(performance.now() - pressedAt))
        .observe(status, { childList: true });
    });
    for (let call = 0; call < 7; call++) {
      const seen = await page.evaluate(() => stepTimes.length);
      await page.keyboard.press('F10');
      await page.waitForFunction((seen) => stepTimes.length > seen, {}, seen);
    }
    times.push(...(await page.evaluate(() => stepTimes)));
    await page.close();
  }
  times.sort((a, b) => a - b);
  return `Step: F10 answered in ${median(times).toFixed(0)} ms (median), ${times.at(-1).toFixed(0)} ms at most, ` +
    `over ${times.length} steps (target: 50 ms at most)`;
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
  // Each site in turn, round after round, so that a busier moment of the machine falls on both.
  const sites = untraced === undefined ? [siteArgument] : [siteArgument, untraced];
  const seen = sites.map(() => ({ prompts: [], scripts: [], floods: [] }));
  for (let round = 0; round < 3; round++) {
    for (const [at, site] of sites.entries()) {
      const { prompts, scripts } = await firstPrompt(browser, url(site), 3);
      seen[at].prompts.push(...prompts);
      seen[at].scripts.push(...scripts);
      seen[at].floods.push(await flood(browser, url(site)));
    }
  }
  for (const [at, { prompts, scripts, floods }] of seen.entries()) {
    const which = at === 0 ? engine : `${engine}, without the trace`;
    console.log(`${which}: first prompt: median ${median(prompts).toFixed(0)} ms after the page was asked for ` +
      `(${prompts[0].toFixed(0)} to ${prompts.at(-1).toFixed(0)} ms over ${prompts.length} loads; target: 300 ms at most); ` +
      `its scripts had run at ${median(scripts).toFixed(0)} ms`);
    console.log(`${which}: digitstair 20000 (target: 3 s at most): ${floods.map(({ text }) => text).join('; ')}`);
  }
  console.log(`${engine}: ${await steps(browser, url(siteArgument))}`);
  if (untraced !== undefined) {
    const seconds = seen.map(({ floods }) => median(floods.map((run) => run.seconds)));
    console.log(`${engine}: speed with the trace against without it (target: 0.9 at least): first prompt ` +
      `${(median(seen[1].prompts) / median(seen[0].prompts)).toFixed(2)}, digitstair 20000 ` +
      `${(seconds[1] / seconds[0]).toFixed(2)} (medians)`);
  }
  await browser.close();
}
