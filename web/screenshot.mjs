// The README's picture of the page: keyfind answered in headless Chromium,
// the browser the tests drive.
//   node web/screenshot.mjs SITE OUTPUT.png
import { pathToFileURL } from 'node:url';

import { launch } from './browsers.mjs';

const [site, output] = process.argv.slice(2);
const browser = await launch('chromium', ['--hide-scrollbars']);
const page = await browser.newPage();
await page.setViewport({ width: 900, height: 760 });
await page.goto(`${pathToFileURL(site).href}/index.html?program=keyfind`);
for (const answer of ['3', '7', '-4', '9', '-4']) {
  await page.waitForFunction(() => /[:)]\s*$/.test(document.querySelector('.xterm-rows').textContent.trimEnd()));
  await new Promise((resolve) => setTimeout(resolve, 100));
  await page.keyboard.type(`${answer}\n`);
}
await page.waitForFunction(() => document.getElementById('status').textContent.includes('exited'));
await page.screenshot({ path: output, fullPage: true });
await browser.close();
