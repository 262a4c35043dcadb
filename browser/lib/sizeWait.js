// Firefox creates a download before it has the server's answer: totalBytes
// is -1 then, and the size shows up a little later only when the download
// is looked up again (change events never carry it). A decision that needs
// the size looks again for a bounded time instead of giving up at once.
import { knownSize } from './takeover.js';

export const SIZE_WAIT_MS = 1000;
export const SIZE_STEP_MS = 100;

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The download as last seen with a known size, or as last seen once `limitMs`
// has passed or it is no longer running (then the caller decides without a
// size). `lookup(id)` answers the current item or null; `sleep` and the step
// are there for tests.
export async function waitForKnownSize(item, lookup, { limitMs = SIZE_WAIT_MS, stepMs = SIZE_STEP_MS, sleep = pause } = {}) {
  let current = item;
  for (let waited = 0; knownSize(current) === null && waited < limitMs; waited += stepMs) {
    await sleep(stepMs);
    let next = null;
    try {
      next = await lookup(item.id);
    } catch {
      next = null;
    }
    if (!next) break; // erased meanwhile: nothing more to learn
    current = { ...current, ...next };
    if (current.state && current.state !== 'in_progress') break;
  }
  return current;
}
