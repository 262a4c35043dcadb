// The takeover settings, saved as they change.
import { DEFAULT_SETTINGS } from './lib/takeover.js';

const api = globalThis.browser ?? globalThis.chrome;
const fields = {
  takeover: document.getElementById('takeover'),
  extensions: document.getElementById('extensions'),
  minSizeMiB: document.getElementById('minSizeMiB'),
};

async function load() {
  const settings = await api.storage.local.get(DEFAULT_SETTINGS);
  fields.takeover.checked = Boolean(settings.takeover);
  fields.extensions.value = settings.extensions;
  fields.minSizeMiB.value = settings.minSizeMiB;
}

async function save() {
  await api.storage.local.set({
    takeover: fields.takeover.checked,
    extensions: fields.extensions.value,
    minSizeMiB: Math.max(0, Number(fields.minSizeMiB.value) || 0),
  });
  document.getElementById('saved').hidden = false;
}

for (const field of Object.values(fields)) field.addEventListener('change', save);
load();
