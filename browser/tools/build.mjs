// node tools/build.mjs BROWSER OUT: the extension as BROWSER (chromium or
// firefox) installs it, written into the folder OUT (emptied first). The
// package script zips that folder; the end-to-end tests load it.
import { cpSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { manifestFor } from './manifestFor.js';

// What a browser needs; tests and tools stay behind.
const SHIPPED = ['background.js', 'options.html', 'options.js', 'popup.html', 'popup.js', 'lib', 'icons'];

const [browser, out] = process.argv.slice(2);
if (!browser || !out) {
  console.error('usage: node tools/build.mjs chromium|firefox OUT');
  process.exit(2);
}
const source = resolve(dirname(fileURLToPath(import.meta.url)), '..');
try {
  const manifest = manifestFor(JSON.parse(readFileSync(join(source, 'manifest.json'), 'utf8')), browser);
  rmSync(out, { recursive: true, force: true });
  mkdirSync(out, { recursive: true });
  for (const entry of SHIPPED) cpSync(join(source, entry), join(out, entry), { recursive: true });
  writeFileSync(join(out, 'manifest.json'), `${JSON.stringify(manifest, null, 2)}\n`);
} catch (error) {
  console.error(`build.mjs: ${error.message}`);
  process.exit(1);
}
