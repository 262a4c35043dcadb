// What happened to recent hand-overs, and a field to hand a link over by
// hand. Opening the popup counts as reading the notices: the badge goes.
import { NOTICES_KEY } from './lib/notices.js';
import { STRINGS, fillStrings, format } from './lib/strings.js';

const api = globalThis.browser ?? globalThis.chrome;
const $ = (id) => document.getElementById(id);

async function show() {
  const stored = await api.storage.local.get({ [NOTICES_KEY]: [] });
  const notices = Array.isArray(stored[NOTICES_KEY]) ? stored[NOTICES_KEY] : [];
  const list = $('notices');
  list.replaceChildren(
    ...notices.map((notice) => {
      const item = document.createElement('li');
      item.textContent = notice.text;
      item.title = new Date(notice.at).toLocaleString();
      return item;
    }),
  );
  $('empty').hidden = notices.length > 0;
  $('clear').hidden = notices.length === 0;
  await api.action?.setBadgeText?.({ text: '' });
}

async function clear() {
  await api.storage.local.set({ [NOTICES_KEY]: [] });
  await show();
}

async function send(event) {
  event.preventDefault();
  const answer = await api.runtime.sendMessage({ type: 'download', url: $('link').value.trim() });
  $('result').hidden = false;
  $('result').textContent = answer && answer.taken ? format(STRINGS.taken, $('link').value.trim()) : (answer && answer.error) || '';
  await show();
}

fillStrings(document);
$('link').placeholder = STRINGS.linkPrompt;
$('clear').addEventListener('click', clear);
$('send').addEventListener('submit', send);
show();
