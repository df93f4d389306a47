// The page's speed opened from disk, in each browser engine there is: how
// long from opening it to keyfind's first prompt, how long digitstair 20000
// (1.15 GB of output) takes from Enter to its exit, beside the same program
// under Node.js writing to /dev/null, how soon a stepped run answers Step
// (F10), Step into (F11) and Step out (Shift+F11), and how big the site is.
// With --compile, only how long Edit's Run the change takes, from the
// click to the changed keyfind's first prompt, the first time (the compiler
// loaded too) and again, and the machine's memory in use meanwhile.
// Given a second site (an earlier build, or one built without the trace),
// the same for it, taken in turns with this one, and the ratios. A
// measurement, not a test.
//   node bench/web.mjs [SITE] [--against=SITE | --compile] [ENGINE...]   (default build/web/site)
import { spawnSync } from 'node:child_process';
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { launch, missing } from '../web/browsers.mjs';

const options = process.argv.slice(2).filter((arg) => arg.startsWith('--'));
const [siteArgument = 'build/web/site', ...asked] = process.argv.slice(2).filter((arg) => !arg.startsWith('--'));
const against = options.find((arg) => arg.startsWith('--against='))?.slice('--against='.length);
const compiling = options.includes('--compile');
const unknown = options.filter((arg) => !arg.startsWith('--against=') && arg !== '--compile');
if (unknown.length > 0) {
  console.error(`bench/web.mjs: unknown option ${unknown.join(' ')}; usage: node bench/web.mjs [SITE] ` +
    '[--against=SITE | --compile] [ENGINE...]');
  process.exit(2);
}
const url = (folder) => pathToFileURL(resolve(folder)).href;
const tree = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const pause = (ms) => new Promise((done) => setTimeout(done, ms));
// What the page's own clock says when the terminal shows `text`, or null.
const shownAt = (text) => (document.querySelector('.xterm-rows')?.textContent.includes(text)
  ? performance.now() : null);
const status = () => document.getElementById('status').textContent;
const median = (times) => times.sort((a, b) => a - b)[times.length >> 1];

// What `fn(arg)` gives in the page once it is something, polled; null after `ms`.
async function until(page, fn, arg, ms) {
  const start = performance.now();
  for (;;) {
    const value = await page.evaluate(fn, arg);
    if (value) {
      return value;
    }
    if (performance.now() - start > ms) {
      return null;
    }
    await pause(10);
  }
}

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
  const text = `${seconds.toFixed(2)} s from Enter ${end}, the page answering within ${slowest.toFixed(0)} ms`;
  return { seconds, text };
}

// The machine's memory in use, in bytes, as /proc/meminfo tells it.
const inUse = () => {
  const kB = (name) => Number(new RegExp(`^${name}:\\s+(\\d+)`, 'm').exec(readFileSync('/proc/meminfo', 'utf8'))[1]);
  return (kB('MemTotal') - kB('MemAvailable')) * 1024;
};

// keyfind changed in Edit `times` times (its first prompt each time another), each Run the change timed from the
// click to that prompt on the screen; and the most memory in use meanwhile above what it was before Edit.
async function compiles(browser, site, times = 4) {
  const page = await browser.newPage();
  await page.goto(`${site}/index.html?program=keyfind`);
  while ((await page.evaluate(shownAt, 'Enter number elements (max):')) === null) {
    await pause(20);
  }
  const before = inUse();
  let peak = before;
  const sampling = setInterval(() => (peak = Math.max(peak, inUse())), 100);
  await page.evaluate(() => (document.getElementById('source').open = true)); // a read may have opened it already
  await page.click('#edit');
  await until(page, () => globalThis.intkitEditing?.editors.get('arrays/keyfind.cpp') !== undefined, null, 60000);
  const seconds = [];
  for (let run = 1; run <= times; run++) {
    const prompt = `Enter number elements (max, change ${run}):`;
    const clicked = await page.evaluate((prompt) => {
      const { view, text } = intkitEditing.editors.get('arrays/keyfind.cpp');
      const from = text.indexOf('Enter number elements (max');
      view.dispatch({ changes: { from, to: text.indexOf(':', from) + 1, insert: prompt } });
      document.getElementById('run-change').click();
      return performance.now();
    }, prompt);
    const at = await until(page, shownAt, prompt, 120000);
    seconds.push(at === null ? null : (at - clicked) / 1000);
  }
  clearInterval(sampling);
  await page.close();
  const shown = (time) => (time === null ? 'not in 120 s' : `${time.toFixed(1)} s`);
  return `Run the change to the changed keyfind's first prompt: first ${shown(seconds[0])} (the compiler loaded too; ` +
    `target: 20 s at most), then ${seconds.slice(1).map(shown).join(', ')} (target: 5 s at most); the machine's memory ` +
    `in use up to ${((peak - before) / 2 ** 20).toFixed(0)} MiB above what it was before Edit (aim: 1 GiB at most)`;
}

// Stepped runs, each from a link: `reach` pressed (untimed) until the status
// says `until`, then each of `presses` timed.
const scenarios = [
  { name: 'stepdemo', link: '?program=stepdemo&step', presses: Array(7).fill({ key: 'F10', as: 'Step' }) },
  {
    name: 'keyfind', link: '?program=keyfind&step#input=3%0A7%0A-4%0A9%0A-4%0A', shown: true,
    reach: { key: 'F10', until: / line 27\b/ },
    presses: [{ key: 'F11', as: 'Step into' }, { key: 'F11', shift: true, as: 'Step out' }],
  },
];
const kinds = { Step: 'F10', 'Step into': 'F11', 'Step out': 'Shift+F11' };
// The keys browsers.mjs does not name, as WebDriver's code points.
const webDriverKeys = { F11: '\uE03B', Shift: '\uE008' };

async function press(page, engine, key, shift) {
  const name = (key) => (engine === 'webkit' ? webDriverKeys[key] ?? key : key);
  if (shift) {
    await page.keyboard.down(name('Shift'));
  }
  await page.keyboard.press(name(key));
  if (shift) {
    await page.keyboard.up(name('Shift'));
  }
}

// In the page: each time the status says where the run stopped (or that it
// ended), with the page's own time since the last key other than Shift.
function watchStops() {
  window.stops = [];
  addEventListener('keydown', (event) => event.key !== 'Shift' && (window.pressedAt = performance.now()), true);
  const status = document.getElementById('status');
  new MutationObserver(() => /stopped before|exited/.test(status.textContent)
    && stops.push({ ms: performance.now() - pressedAt, said: status.textContent }))
    .observe(status, { childList: true });
}

const stopped = () => /stopped before/.test(document.getElementById('status').textContent)
  && document.getElementById('status').textContent;

// Why a page has no Step into, or null if it has: an older page does nothing
// with F11, so no stop follows it.
async function withoutStepInto(browser, engine, site, { name, link }) {
  const page = await browser.newPage();
  try {
    await page.goto(`${site}/index.html${link}`);
    if ((await until(page, stopped, undefined, 30000)) === null) {
      return `${name} never stopped (${await page.evaluate(status)})`;
    }
    await page.evaluate(watchStops);
    await press(page, engine, 'F11', false);
    const stop = await until(page, () => stops[0] ?? null, undefined, 2000);
    return stop === null ? `F11 at ${name}'s first stop gave no new stop within 2 s` : null;
  } finally {
    await page.close();
  }
}

// One load of `scenario`: the times of its presses by kind, and where each went.
async function stepThrough(browser, engine, site, { link, reach, presses }) {
  const page = await browser.newPage();
  try {
    await page.goto(`${site}/index.html${link}`);
    const first = await until(page, stopped, undefined, 30000);
    if (first === null) {
      return { failed: `it never stopped (${await page.evaluate(status)})` };
    }
    await page.evaluate(watchStops);
    const next = async (key, shift, patience) => {
      const seen = await page.evaluate(() => stops.length);
      await press(page, engine, key, shift);
      return until(page, (seen) => stops[seen] ?? null, seen, patience);
    };
    let said = first;
    for (let tries = 0; reach !== undefined && !reach.until.test(said); tries++) {
      const stop = tries < 50 && !said.includes('exited') ? await next(reach.key, false, 10000) : null;
      if (stop === null) {
        return { failed: `${reach.key} never brought it to ${reach.until.source.trim()} (${said})` };
      }
      said = stop.said;
    }
    const times = {};
    const path = [said];
    for (const { key, shift, as } of presses) {
      const stop = await next(key, shift, 10000);
      if (stop === null) {
        return { failed: `${kinds[as]} gave no new stop within 10 s (${said})` };
      }
      (times[as] ??= []).push(stop.ms);
      path.push(stop.said);
      said = stop.said;
    }
    return { times, path };
  } finally {
    await page.close();
  }
}

const where = (said) => /stopped before (.*?): Step/.exec(said)?.[1] ?? said;

function underNode() {
  const started = performance.now();
  const run = spawnSync('sh', ['-c', `printf '20000\\n' | node "$0" "$1" >/dev/null`,
    resolve(tree, 'packaging/npm/run.mjs'), resolve(siteArgument, '../bin/digitstair.wasm')]);
  const seconds = (performance.now() - started) / 1000;
  return run.status === 0 ? `${seconds.toFixed(2)} s` : `not measured (${run.stderr})`;
}

// All the bytes a visitor's browser may fetch: every file under the folder.
function siteBytes(folder) {
  const files = readdirSync(folder, { recursive: true }).map((name) => statSync(join(folder, name)))
    .filter((entry) => entry.isFile());
  return { files: files.length, bytes: files.reduce((sum, { size }) => sum + size, 0) };
}

const sites = against === undefined ? [siteArgument] : [siteArgument, against];
for (const site of sites) {
  const { files, bytes } = siteBytes(site);
  console.log(`size of ${site}: ${bytes.toLocaleString('en')} bytes in ${files} files (target: 1 MB at most, ` +
    '1,000,000 bytes)');
}
console.log(`digitstair 20000 under Node.js to /dev/null, start-up included: ${underNode()}`);
for (const engine of asked.length > 0 ? asked : ['chromium', 'firefox', 'webkit']) {
  if (missing(engine)) {
    console.log(`${engine}: not measured, it needs ${missing(engine)}`);
    continue;
  }
  const browser = await launch(engine);
  if (compiling) {
    console.log(`${engine}: ${await compiles(browser, url(siteArgument))}`);
    await browser.close();
    continue;
  }
  // Each site in turn, round after round, so that a busier moment of the machine falls on both.
  const seen = sites.map(() => ({ prompts: [], scripts: [], floods: [], steps: {}, paths: {}, notes: new Set() }));
  // Only what the other site has of stepping is timed there.
  const skipped = new Set();
  for (const scenario of against === undefined ? [] : scenarios.filter(({ presses }) =>
    presses.some(({ key }) => key === 'F11'))) {
    const why = await withoutStepInto(browser, engine, url(against), scenario);
    if (why !== null) {
      skipped.add(scenario);
      seen[1].without = `${why}: a page without Step into`;
    }
  }
  for (let round = 0; round < 3; round++) {
    for (const [at, site] of sites.entries()) {
      const { prompts, scripts } = await firstPrompt(browser, url(site), 3);
      seen[at].prompts.push(...prompts);
      seen[at].scripts.push(...scripts);
      seen[at].floods.push(await flood(browser, url(site)));
      for (const scenario of scenarios) {
        if (at > 0 && skipped.has(scenario)) {
          continue;
        }
        const { times = {}, path, failed } = await stepThrough(browser, engine, url(site), scenario);
        for (const [as, ms] of Object.entries(times)) {
          (seen[at].steps[as] ??= []).push(...ms);
        }
        if (path !== undefined && scenario.shown) {
          seen[at].paths[scenario.name] ??= `${scenario.name}: ${path.map(where).join(' -> ')}`;
        }
        if (failed !== undefined) {
          seen[at].notes.add(`${scenario.name}: a load not measured, ${failed}`);
        }
      }
    }
  }
  for (const [at, { prompts, scripts, floods, steps, paths, notes, without }] of seen.entries()) {
    const which = `${engine} [${sites[at]}]`;
    console.log(`${which}: first prompt: median ${median(prompts).toFixed(0)} ms after the page was asked for ` +
      `(${prompts[0].toFixed(0)} to ${prompts.at(-1).toFixed(0)} ms over ${prompts.length} loads; ` +
      'target: 300 ms at most); ' +
      `its scripts had run at ${median(scripts).toFixed(0)} ms`);
    console.log(`${which}: digitstair 20000 (target: 3 s at most): ${floods.map(({ text }) => text).join('; ')}`);
    for (const [as, key] of Object.entries(kinds)) {
      const times = steps[as] ?? [];
      console.log(`${which}: ${as}: ` + (times.length === 0 ? `not measured${without ? `, ${without}` : ''}`
        : `${key} answered in ${median(times).toFixed(0)} ms (median), ${times.at(-1).toFixed(0)} ms at most, ` +
          `over ${times.length} steps (target: 50 ms at most)`));
    }
    for (const line of [...Object.values(paths), ...notes]) {
      console.log(`${which}: ${line}`);
    }
  }
  if (against !== undefined) {
    const seconds = seen.map(({ floods }) => median(floods.map((run) => run.seconds)));
    console.log(`${engine}: speed of ${sites[0]} against ${sites[1]} (the other's median time over this one's): ` +
      `first prompt ${(median(seen[1].prompts) / median(seen[0].prompts)).toFixed(2)} (target: 0.9 at least), ` +
      `digitstair 20000 ${(seconds[1] / seconds[0]).toFixed(2)}`);
  }
  await browser.close();
}
