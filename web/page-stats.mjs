// Reading the web edition's figures from a page driven by playwright-core:
// shared by the browser test (web/test/web-test.mjs) and the speed benchmark
// (bench/web-speed.mjs).
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// What the page reports (ZelWeb.stats in platform/web_platform.js).
export const stats = (pg) => pg.evaluate(() => ZelWeb.stats());

// Waits until `test(stats)` holds, at most `ms`; returns the last stats.
export async function waitOn(pg, test, ms = 5000) {
  const until = Date.now() + ms;
  let s = await stats(pg);
  while (!test(s) && Date.now() < until) {
    await sleep(50);
    s = await stats(pg);
  }
  return s;
}

// Frames a second and the program's work per frame (ms) over `seconds`.
export async function rate(pg, seconds) {
  const a = await stats(pg);
  await sleep(seconds * 1000);
  const b = await stats(pg);
  return { fps: (b.frames - a.frames) / seconds, work: (b.busy - a.busy) / Math.max(1, b.turns - a.turns) };
}

// The same with the CPU throttled `factor` times (Chromium's DevTools protocol).
export async function throttled(pg, factor, seconds) {
  const cdp = await pg.context().newCDPSession(pg);
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: factor });
  await sleep(500);
  const r = await rate(pg, seconds);
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
  await cdp.detach();
  return r;
}

export const describeRate = (r) => `${r.fps.toFixed(1)} fps, the program busy ${r.work.toFixed(2)} ms of each frame`;
