// Looking a download up again until its size is known, within a bound.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import { waitForKnownSize } from '../lib/sizeWait.js';

// A lookup that answers the given items in turn, and a sleep that only
// counts: no test waits on the clock.
function scripted(answers) {
  const log = { lookups: 0, slept: 0 };
  const lookup = async () => {
    const answer = answers[Math.min(log.lookups, answers.length - 1)];
    log.lookups += 1;
    if (answer instanceof Error) throw answer;
    return answer;
  };
  const sleep = async (ms) => {
    log.slept += ms;
  };
  return { log, lookup, sleep };
}

const created = { id: 7, url: 'https://dl.test/a.zip', state: 'in_progress', totalBytes: -1 };

test('the size that appears after creation is found', async () => {
  const { log, lookup, sleep } = scripted([{ ...created }, { ...created, totalBytes: 5000 }]);
  const seen = await waitForKnownSize(created, lookup, { sleep, limitMs: 1000, stepMs: 100 });
  assert.equal(seen.totalBytes, 5000);
  assert.equal(log.lookups, 2);
  assert.equal(log.slept, 200);
});

test('a size known at once needs no lookup', async () => {
  const { log, lookup, sleep } = scripted([]);
  const seen = await waitForKnownSize({ ...created, totalBytes: 10 }, lookup, { sleep });
  assert.equal(seen.totalBytes, 10);
  assert.equal(log.lookups, 0);
});

test('the wait is bounded, and ends early when the download ends or vanishes', async () => {
  let run = scripted([{ ...created }]);
  let seen = await waitForKnownSize(created, run.lookup, { sleep: run.sleep, limitMs: 500, stepMs: 100 });
  assert.equal(seen.totalBytes, -1);
  assert.equal(run.log.slept, 500);

  run = scripted([{ ...created, state: 'complete' }]);
  seen = await waitForKnownSize(created, run.lookup, { sleep: run.sleep, limitMs: 500, stepMs: 100 });
  assert.equal(seen.state, 'complete');
  assert.equal(run.log.lookups, 1);

  for (const gone of [null, new Error('no such download')]) {
    run = scripted([gone]);
    seen = await waitForKnownSize(created, run.lookup, { sleep: run.sleep, limitMs: 500, stepMs: 100 });
    assert.equal(run.log.lookups, 1);
    assert.equal(seen.totalBytes, -1);
  }
});
