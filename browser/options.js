// The takeover settings, saved as they change, and the site access that
// cookies need (Firefox lets the user withhold it).
import { DEFAULT_SETTINGS } from './lib/takeover.js';
import { STRINGS, fillStrings } from './lib/strings.js';

const api = globalThis.browser ?? globalThis.chrome;
const ALL_SITES = { origins: ['<all_urls>'] };
const fields = {
  takeover: document.getElementById('takeover'),
  extensions: document.getElementById('extensions'),
  minSizeMiB: document.getElementById('minSizeMiB'),
};
const siteAccess = document.getElementById('siteAccess');
const askSiteAccess = document.getElementById('askSiteAccess');

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

async function showSiteAccess() {
  let granted = false;
  try {
    granted = await api.permissions.contains(ALL_SITES);
  } catch {
    granted = false;
  }
  siteAccess.textContent = granted ? STRINGS.siteAccessGranted : STRINGS.siteAccessMissing;
  siteAccess.dataset.granted = String(granted);
  askSiteAccess.hidden = granted;
}

// The request must come straight from the click: browsers refuse one made
// after an await.
fillStrings(document);
askSiteAccess.addEventListener('click', () => {
  api.permissions.request(ALL_SITES).then(showSiteAccess, showSiteAccess);
});
api.permissions.onAdded?.addListener(showSiteAccess);
api.permissions.onRemoved?.addListener(showSiteAccess);

for (const field of Object.values(fields)) field.addEventListener('change', save);
load();
showSiteAccess();
