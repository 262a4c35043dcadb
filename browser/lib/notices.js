// What the user is told about hand-overs that did not simply work: a short
// list, newest first, shown by the popup while the badge counts it. Kept in
// extension storage so a background woken later still has it.

export const MAX_NOTICES = 20;
export const NOTICES_KEY = 'notices';

// The list with `text` put in front, cut to MAX_NOTICES. `at` is a time
// stamp from the caller's clock.
export function withNotice(list, text, at) {
  const notices = Array.isArray(list) ? list.filter((n) => n && typeof n.text === 'string') : [];
  return [{ text: String(text), at }, ...notices].slice(0, MAX_NOTICES);
}

// The badge for `count` notices: empty when there is nothing to say.
export function badgeText(count) {
  if (!Number.isSafeInteger(count) || count <= 0) return '';
  return count > 9 ? '9+' : String(count);
}
