// Waiting for a condition in the browser tests: polls `probe` every 100 ms
// until it gives a truthy value, which is returned, or fails naming `what`.
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

export async function until(what, probe, ms = 20000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await probe();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await sleep(100);
  }
}
