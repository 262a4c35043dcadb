// The notices the popup shows, the texts they are made of, and the
// manifests each browser gets.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';

import { MAX_NOTICES, badgeText, withNotice } from '../lib/notices.js';
import { STRINGS, format } from '../lib/strings.js';
import { manifestFor } from '../tools/manifestFor.js';

test('notices come newest first and the list stays short', () => {
  let list = withNotice(undefined, 'one', 1);
  list = withNotice(list, 'two', 2);
  assert.deepEqual(list, [{ text: 'two', at: 2 }, { text: 'one', at: 1 }]);
  for (let i = 0; i < MAX_NOTICES + 5; ++i) list = withNotice(list, `n${i}`, i);
  assert.equal(list.length, MAX_NOTICES);
  assert.equal(list[0].text, `n${MAX_NOTICES + 4}`);
  // Damaged storage does not take new notices down with it.
  assert.deepEqual(withNotice([null, 5, { text: 'ok' }], 'new', 3), [{ text: 'new', at: 3 }, { text: 'ok' }]);
});

test('the badge counts notices and is empty without any', () => {
  assert.equal(badgeText(0), '');
  assert.equal(badgeText(3), '3');
  assert.equal(badgeText(12), '9+');
  assert.equal(badgeText(undefined), '');
});

test('texts are filled in order and a missing value leaves its mark', () => {
  assert.equal(format(STRINGS.refused, 'a.zip', 'no window'), 'Velmora refused a.zip: no window');
  assert.equal(format('%s and %s', 'x'), 'x and %s');
  assert.equal(format('100%', 'x'), '100%');
});

test('each browser gets the manifest keys it reads and no other', () => {
  const source = JSON.parse(readFileSync(new URL('../manifest.json', import.meta.url)));
  const firefox = manifestFor(source, 'firefox');
  assert.deepEqual(firefox.background, { scripts: ['background.js'], type: 'module' });
  assert.equal(firefox.key, undefined);
  assert.equal(firefox.browser_specific_settings.gecko.id, 'velmora@velmora.app');
  const chromium = manifestFor(source, 'chromium');
  assert.deepEqual(chromium.background, { service_worker: 'background.js', type: 'module' });
  assert.equal(chromium.browser_specific_settings, undefined);
  assert.equal(chromium.key, source.key);
  // The source stays as it was.
  assert.ok(source.background.scripts && source.background.service_worker);
  assert.throws(() => manifestFor(source, 'netscape'), /unknown browser/);
});
