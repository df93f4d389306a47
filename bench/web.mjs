// The page's speed opened from disk, in each browser engine there is: how
// long from opening it to keyfind's first prompt, and how many bytes a
// second of digitstair 20000's output (1.15 GB) reach the terminal over
// its first 15 seconds. A measurement, not a test.
//   node bench/web.mjs [SITE] [ENGINE...]   (default build/web/site; make it with the web preset)
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { launch, missing } from '../web/browsers.mjs';

const [siteArgument = 'build/web/site', ...asked] = process.argv.slice(2);
const site = pathToFileURL(resolve(siteArgument)).href;
const pause = (ms) => new Promise((done) => setTimeout(done, ms));
// What the page's own clock says when the terminal shows `text`, or null.
const shownAt = (text) => (document.querySelector('.xterm-rows')?.textContent.includes(text) ? performance.now() : null);
const status = () => document.getElementById('status').textContent;
const bytes = (text) => Number(text.match(/([\d,]+) bytes/)?.[1].replace(/,/g, '') ?? 0);

async function firstPrompt(browser) {
  const times = [];
  for (let run = 0; run < 7; run++) {
    const page = await browser.newPage();
    await page.goto(`${site}/index.html?program=keyfind`);
    let at = null;
    while ((at = await page.evaluate(shownAt, 'Enter number elements (max):')) === null) {
      await pause(5);
    }
    times.push(at);
    await page.close();
  }
  times.sort((a, b) => a - b);
  return `first prompt: median ${times[3].toFixed(0)} ms after the page was asked for ` +
    `(${times[0].toFixed(0)} to ${times[6].toFixed(0)} ms over 7 runs; target: 1000 ms at most)`;
}

async function flood(browser) {
  const page = await browser.newPage();
  await page.goto(`${site}/index.html?program=digitstair`);
  while ((await page.evaluate(shownAt, 'enter a num:')) === null) {
    await pause(20);
  }
  await page.keyboard.type('20000\n');
  const start = performance.now();
  let slowest = 0; // meanwhile the page must answer: its slowest answer to a trivial question
  let written = 0;
  while (performance.now() - start < 15000) {
    const asked = performance.now();
    written = bytes(await page.evaluate(status));
    slowest = Math.max(slowest, performance.now() - asked);
    await pause(200);
  }
  const seconds = (performance.now() - start) / 1000;
  await page.close();
  return `digitstair 20000: ${(written / seconds / 1e6).toFixed(1)} MB/s to the terminal over ${seconds.toFixed(0)} s; ` +
    `the page answered within ${slowest.toFixed(0)} ms throughout`;
}

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
