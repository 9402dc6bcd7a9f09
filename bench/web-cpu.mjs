// bench/web-cpu's measurement: CPU seconds per second of all of Chromium's
// processes while a page runs at 1920 x 1080, for the page with 64 molecules and
// for the put-only reference, alternating, in RUNS pairs of SECONDS each.
//   node bench/web-cpu.mjs <page folder>
import { readdirSync, readFileSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launchBrowser, serveFiles } from '../scripts/browser.mjs';

const seconds = Number(process.env.SECONDS_PER_RUN || 6);
const runs = Number(process.env.RUNS || 5);
const [width, height] = [1920, 1080];
const here = dirname(fileURLToPath(import.meta.url));
const ticksPerSecond = 100;  // /proc's clock ticks (getconf CLK_TCK) on Linux

// CPU ticks of `root` and all its descendants.
function treeTicks(root) {
  const stats = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const text = readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = text.slice(text.lastIndexOf(')') + 2).split(' ');
      stats.set(Number(name), { parent: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]) });
    } catch {
      // gone meanwhile
    }
  }
  let total = 0;
  for (const [pid, stat] of stats) {
    for (let p = pid; p; p = stats.get(p)?.parent) {
      if (p === root) {
        total += stat.ticks;
        break;
      }
    }
  }
  return total;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function measure(url) {
  const browser = await launchBrowser([`--window-size=${width},${height}`]);
  try {
    const page = await browser.openPage(url, { width, height });
    await page.waitFor('(window.briselPage?.ticks ?? 0) > 20', 30);
    const [c0, t0, k0] = [treeTicks(browser.pid), performance.now(), await page.evaluate('briselPage.ticks')];
    await sleep(seconds * 1000);
    const [c1, t1, k1] = [treeTicks(browser.pid), performance.now(), await page.evaluate('briselPage.ticks')];
    return { cpu: (c1 - c0) / ticksPerSecond / ((t1 - t0) / 1000), tickRate: (k1 - k0) / ((t1 - t0) / 1000) };
  } finally {
    await browser.close();
  }
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
const server = await serveFiles(process.argv[2]);
const results = { page: [], reference: [] };
try {
  for (let run = 0; run < runs; ++run) {
    results.reference.push(await measure(pathToFileURL(join(here, 'web-reference.html')).href));
    results.page.push(await measure(`${server.origin}/index.html?count=64&seed=1&sound=0`));
  }
} finally {
  await server.close();
}
for (const [name, list] of Object.entries(results)) {
  console.log(`${name.padEnd(10)} CPU ${median(list.map((r) => r.cpu)).toFixed(4)} s/s  ` +
              `(runs: ${list.map((r) => r.cpu.toFixed(4)).join(' ')}; ticks/s ${median(list.map((r) => r.tickRate)).toFixed(1)})`);
}
// Each run's page against the reference measured just before it, so that a
// change in the machine's load between runs moves both.
const ratios = results.page.map((r, i) => r.cpu / results.reference[i].cpu);
console.log(`ratio page/reference: ${median(ratios).toFixed(2)} (goal: at most 1.2; median of ${runs} pairs ` +
            `of ${seconds} s runs: ${ratios.map((r) => r.toFixed(2)).join(' ')})`);
