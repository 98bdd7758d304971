// Frame rates of the web edition in headless Chromium, figures only (the
// numbers of docs/performance.md): the main screen with module 1 playing, 5 s
// unthrottled and 5 s with the CPU throttled 4 times, on the desktop page
// (1280x720) and in both phone layouts (touch, device scale 3); then the
// same while the page scrolls.
//
//   node bench/web-speed.mjs BUILD_DIR [--profile] [--chromium PATH]
//   (scripts/web-test.sh --speed runs it; playwright-core comes from web/test)
import path from 'node:path';
import { createRequire } from 'node:module';
import { serveFolder } from '../web/static-server.mjs';
import { sleep, waitOn, rate, throttled, describeRate as fmt, phone, openBrowser } from '../web/page-stats.mjs';

const { chromium } = createRequire(new URL('../web/test/package.json', import.meta.url))('playwright-core');
const args = process.argv.slice(2);
const root = path.resolve(args[0] || 'build-web');
const i = args.indexOf('--chromium');
const browserPath = i >= 0 ? args[i + 1] : process.env.CHROMIUM || '/usr/bin/chromium';

const { server, base } = await serveFolder(root);

// Where the page's main thread spends its time: Chromium's sampling profiler
// over `seconds`, self time per function, the 12 largest.
async function cpuProfile(pg, seconds) {
  const cdp = await pg.context().newCDPSession(pg);
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', { interval: 200 });
  await cdp.send('Profiler.start');
  await sleep(seconds * 1000);
  const { profile: p } = await cdp.send('Profiler.stop');
  await cdp.detach();
  const self = new Map();
  const byId = new Map(p.nodes.map((n) => [n.id, n]));
  const dt = p.timeDeltas || [];
  p.samples.forEach((id, k) => {
    const f = byId.get(id).callFrame;
    const key = `${f.functionName || '(anonymous)'} ${f.url ? path.basename(f.url) : ''}`.trim();
    self.set(key, (self.get(key) || 0) + (dt[k + 1] || 0) / 1000);
  });
  const total = [...self.values()].reduce((a, b) => a + b, 0);
  for (const [k, ms] of [...self.entries()].sort((a, b) => b[1] - a[1]).slice(0, 12))
    console.log(`  ${((100 * ms) / total).toFixed(1).padStart(5)} %  ${k}`);
}

for (const [name, device] of [['desktop 1280x720', {}], ['landscape phone', phone(844, 390)], ['portrait phone', phone(390, 844)]]) {
  const { pg, close } = await openBrowser(chromium, browserPath, device);
  try {
    await pg.goto(base);
    await pg.waitForSelector('body[data-ready="1"]', { timeout: 30000 });
    if (device.hasTouch) await pg.tap('#start-button');
    else await pg.mouse.click(640, 300);
    await waitOn(pg, (x) => x.frames > 0 && x.state.phase === 'intro', 10000);
    await pg.keyboard.down('Escape');
    await sleep(150);
    await pg.keyboard.up('Escape');
    await waitOn(pg, (x) => x.state.phase === 'main', 8000);
    await sleep(1500);
    console.log(`${name}: ${fmt(await rate(pg, 5))}; throttled 4x: ${fmt(await throttled(pg, 4, 5))}`);
    // The same while the page moves every frame (wheel steps down and up in
    // turn): the panel's rows change each frame, not just the ticker's.
    await pg.evaluate(() => {
      let step = 1;
      window.zelScroll = setInterval(() => ZelWeb.post(4, (step = -step), 0, 0), 16);
    });
    console.log(`${name}, scrolling: ${fmt(await rate(pg, 5))}; throttled 4x: ${fmt(await throttled(pg, 4, 5))}`);
    await pg.evaluate(() => clearInterval(window.zelScroll));
    if (args.includes('--profile')) await cpuProfile(pg, 4);
  } finally {
    await close();
  }
}
server.close();
