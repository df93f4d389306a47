// The page's speed in headless Chromium, opened from disk: how long from
// opening it to keyfind's first prompt, and how many bytes a second of
// digitstair 20000's output (1.15 GB) reach the terminal. A measurement,
// not a test.
//   node bench/web.mjs [SITE]          (default build/web/site; make it with the web preset)
import { createRequire } from 'node:module';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const puppeteer = createRequire(new URL('../web/package.json', import.meta.url))('puppeteer-core');
const site = pathToFileURL(resolve(process.argv[2] ?? 'build/web/site')).href;
const browser = await puppeteer.launch({
  browser: 'chrome',
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--no-first-run'],
});
// Whether the terminal shows `text` (run in the page, so the text is its argument).
const shows = (text) => document.querySelector('.xterm-rows')?.textContent.includes(text);

const opened = [];
for (let run = 0; run < 7; run++) {
  const page = await browser.newPage();
  const start = performance.now();
  await page.goto(`${site}/index.html?program=keyfind`, { waitUntil: 'domcontentloaded' });
  await page.waitForFunction(shows, { polling: 'mutation' }, 'Enter number elements (max):');
  opened.push(performance.now() - start);
  await page.close();
}
opened.sort((a, b) => a - b);
console.log(`opening the page to keyfind's first prompt: median ${opened[3].toFixed(0)} ms ` +
  `(from ${opened[0].toFixed(0)} to ${opened[6].toFixed(0)} ms over 7 runs; target: 1000 ms at most)`);

const page = await browser.newPage();
await page.goto(`${site}/index.html?program=digitstair`);
await page.waitForFunction(shows, { polling: 'mutation' }, 'enter a num:');
const start = performance.now();
await page.keyboard.type('20000\n');
// Meanwhile the page must answer: the slowest of its answers to a trivial question.
let slowest = 0;
for (;;) {
  const asked = performance.now();
  const status = await page.$eval('#status', (element) => element.textContent);
  slowest = Math.max(slowest, performance.now() - asked);
  if (status.includes('exited')) {
    const seconds = (performance.now() - start) / 1000;
    const bytes = Number(status.match(/([\d,]+) bytes/)[1].replace(/,/g, ''));
    console.log(`digitstair 20000: ${bytes} bytes in ${seconds.toFixed(1)} s, ${(bytes / seconds / 1e6).toFixed(1)} MB/s ` +
      `to the terminal; the page answered within ${slowest.toFixed(0)} ms throughout`);
    break;
  }
  await new Promise((resolve) => setTimeout(resolve, 200));
}
await browser.close();
