// The site page: pairing, then readings typed per load. Every reading is kept in this
// browser's storage under an id made here until the office's program acknowledges it, so
// that a dropped connection loses nothing and a resend is stored once.
'use strict';

const KEY = { token: 'ondokanri.token', queue: 'ondokanri.queue', choice: 'ondokanri.choice', trusted: 'ondokanri.trusted' };
const $ = (id) => document.getElementById(id);

let queue = load(KEY.queue, []);
let choice = load(KEY.choice, {});
let summary = null;
let sending = false;
let retryTimer = null;
let editing = null;

function load(key, fallback) {
  try {
    const v = JSON.parse(localStorage.getItem(key));
    return v === null ? fallback : v;
  } catch (e) {
    return fallback;
  }
}
function keep(key, value) { localStorage.setItem(key, JSON.stringify(value)); }
function token() { return localStorage.getItem(KEY.token) || ''; }

// crypto.randomUUID needs a secure page; random bytes do not.
function newId() {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
}

function say(element, text, kind) {
  element.textContent = text || '';
  element.className = 'message' + (kind ? ' ' + kind : '');
}

async function call(method, path, body) {
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), 8000);
  try {
    const headers = { 'Content-Type': 'application/json' };
    if (token()) headers.Authorization = 'Bearer ' + token();
    const response = await fetch(path, {
      method, headers, body: body ? JSON.stringify(body) : undefined,
      signal: abort.signal, cache: 'no-store',
    });
    let data = {};
    try { data = await response.json(); } catch (e) { data = {}; }
    return { status: response.status, data, retry: Number(response.headers.get('Retry-After')) || 0 };
  } catch (e) {
    return { status: 0, data: {}, retry: 0 };
  } finally {
    clearTimeout(timer);
  }
}

function showLink(online) {
  $('bar').classList.toggle('offline', !online);
  $('link').textContent = online ? '接続中' : '事務所につながりません';
}

function showWaiting() {
  const n = queue.filter((q) => !q.refused).length;
  const refused = queue.length - n;
  $('waiting').hidden = queue.length === 0;
  $('waiting').textContent = [n ? '未送信 ' + n + ' 件' : '', refused ? '送れません ' + refused + ' 件' : '']
    .filter(Boolean).join('・');
}

// ---- pairing ----

function showPairing(text) {
  $('entry').hidden = true;
  $('pairing').hidden = false;
  say($('pair-message'), text, text ? 'bad' : '');
}

async function pair() {
  const code = $('code').value.replace(/[０-９]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0xfee0)).trim();
  if (!/^[0-9]{6}$/.test(code)) {
    say($('pair-message'), '6桁の数字を入力してください', 'bad');
    return;
  }
  $('pair').disabled = true;
  const r = await call('POST', '/api/pair', { code, name: $('device').value });
  $('pair').disabled = false;
  if (r.status === 200 && r.data.token) {
    localStorage.setItem(KEY.token, r.data.token);
    $('code').value = '';
    say($('pair-message'), '');
    start();
  } else {
    say($('pair-message'), r.data.error || '事務所のパソコンにつながりません', 'bad');
  }
}

// ---- the day ----

function fill(select, items, wanted) {
  select.replaceChildren();
  for (const [value, text] of items) {
    const option = document.createElement('option');
    option.value = value;
    option.textContent = text;
    select.append(option);
  }
  if (items.some(([value]) => value === wanted)) select.value = wanted;
}

function chosenDay() {
  return { koji: $('koji').value, gozai: $('gozai').value, kubun: Number($('kubun').value), day: $('day').value };
}

function sameDay(a, b) {
  return a.koji === b.koji && a.gozai === b.gozai && Number(a.kubun) === Number(b.kubun) && a.day === b.day;
}

async function start() {
  if (!token()) { showPairing(''); return; }
  const r = await call('GET', '/api/registers');
  if (r.status === 401) { showPairing(r.data.error); return; }
  if (r.status !== 200) {
    showLink(false);
    $('pairing').hidden = true;
    $('entry').hidden = false;
    setTimeout(start, 3000);
    return;
  }
  showLink(true);
  $('pairing').hidden = true;
  $('entry').hidden = false;
  const d = r.data;
  const known = d.projects.some((p) => p.code === choice.koji) && d.mixes.includes(choice.gozai) &&
    d.categories.some((k) => String(k.id) === String(choice.kubun));
  fill($('koji'), d.projects.map((p) => [p.code, p.code + ' ' + p.name]), choice.koji);
  fill($('gozai'), d.mixes.map((m) => [m, m]), choice.gozai);
  fill($('kubun'), d.categories.map((k) => [String(k.id), k.name]), String(choice.kubun));
  $('day').value = choice.today === d.today && choice.day ? choice.day : d.today;
  choice.today = d.today;
  $('choose').open = !known;
  remember();
  refresh();
  flush();
}

function remember() {
  Object.assign(choice, chosenDay());
  keep(KEY.choice, choice);
  const shown = (id) => { const s = $(id); return s.selectedIndex >= 0 ? s.options[s.selectedIndex].text : ''; };
  const [, m, d] = choice.day.split('-').map(Number);
  $('chosen').textContent = [choice.koji, shown('gozai'), shown('kubun'), m && d ? m + '月' + d + '日' : '']
    .filter(Boolean).join(' / ') || '工事・合材・区分・試験日を選んでください';
}

async function refresh() {
  const day = chosenDay();
  if (!day.koji || !day.gozai || !day.day) { showSummary(null); return; }
  const r = await call('GET', '/api/day?' + new URLSearchParams(day));
  if (r.status === 200 && sameDay(day, chosenDay())) showSummary(r.data);
  else if (r.status === 401) showPairing(r.data.error);
  else if (r.status === 422) say($('message'), r.data.error, 'bad');
}

function showSummary(s) {
  summary = s;
  $('count').textContent = s ? s.count : 0;
  $('max').textContent = s && s.max ? s.max : '-';
  $('min').textContent = s && s.min ? s.min : '-';
  $('avg').textContent = s && s.avg ? s.avg : '-';
  $('outside').textContent = s ? s.outside : 0;
  $('outside').classList.toggle('bad', !!(s && s.outside > 0));
  $('simulated').hidden = !(s && s.simulated);
  $('kikaku').textContent = s && s.kikaku ? '規格値 ' + s.kikaku.replace('_', '～') + '℃' : '';
  showRecent();
}

function showRecent() {
  const list = $('recent');
  list.replaceChildren();
  const day = chosenDay();
  // A correction or removal the office refused stays until the person lets it go.
  for (const q of queue.filter((x) => x.op !== 'add' && x.refused && sameDay(x, day)))
    list.append(refusedChange(q));
  const pending = queue.filter((q) => q.op === 'add' && sameDay(q, day)).reverse();
  for (const q of pending) {
    const time = new Date(q.takenAt).toTimeString().slice(0, 5);
    list.append(item(null, q.temperature, time, q.truck, q.remark, false, true, q.id, q.refused));
  }
  for (const r of (summary && summary.last) || []) {
    if (queue.some((q) => q.id === r.id && q.op === 'remove')) continue;
    list.append(item(r.lno, r.ondo, r.time, r.truck, r.remark, r.outside, false, r.id));
  }
}

function refusedChange(q) {
  const li = document.createElement('li');
  li.className = 'refused';
  const text = document.createElement('div');
  const value = document.createElement('span');
  value.className = 'value';
  value.textContent = (q.op === 'remove' ? '削除' : q.temperature + '℃ への修正');
  const mark = document.createElement('span');
  mark.className = 'cannot';
  mark.textContent = ' 送れません';
  const detail = document.createElement('div');
  detail.className = 'detail';
  detail.textContent = q.refused;
  text.append(value, mark, detail);
  const drop = document.createElement('button');
  drop.type = 'button';
  drop.textContent = '取り消す';
  drop.addEventListener('click', () => {
    queue = queue.filter((x) => x !== q);
    keep(KEY.queue, queue);
    showWaiting();
    showRecent();
  });
  li.append(text, drop);
  return li;
}

function item(lno, ondo, time, truck, remark, outside, pending, id, refused) {
  const li = document.createElement('li');
  const text = document.createElement('div');
  const value = document.createElement('span');
  value.className = 'value' + (outside ? ' outside' : '');
  value.textContent = (lno ? lno + '台目 ' : '') + ondo + '℃' + (outside ? ' 規格外' : '');
  const detail = document.createElement('div');
  detail.className = 'detail';
  detail.textContent = [time, truck && '車番 ' + truck, remark].filter(Boolean).join('　');
  text.append(value);
  if (pending) {
    const mark = document.createElement('span');
    mark.className = refused ? 'cannot' : 'pending';
    mark.textContent = refused ? ' 送れません' : ' 未送信';
    text.append(mark);
  }
  text.append(detail);
  if (refused) {
    li.className = 'refused';
    const why = document.createElement('div');
    why.className = 'detail why';
    why.textContent = refused + '（修正するか削除してください）';
    text.append(why);
  }
  li.append(text);
  if (id) {
    const fix = document.createElement('button');
    fix.type = 'button';
    fix.textContent = '修正';
    fix.setAttribute('aria-label', (lno ? lno + '台目' : '未送信') + 'を修正');
    fix.addEventListener('click', () => openEdit({ id, lno, ondo, truck, remark, pending }));
    li.append(fix);
  }
  return li;
}

// ---- readings ----

// The office's rule for a temperature, so that a typo is told at once; the office checks
// again. Full-width digits, point and signs are read as ASCII; "ー" is not a minus.
function temperatureRefusal(typed) {
  const t = typed.trim().replace(/[０-９]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0xfee0))
    .replace(/．/g, '.').replace(/[－−]/g, '-').replace(/＋/g, '+');
  const shown = typed.trim();
  const quoted = '「' + (shown.length > 20 ? shown.slice(0, 19) + '…' : shown) + '」';
  if (!t) return '温度が入力されていません';
  const m = /^[+-]?[0-9]+(\.([0-9]*))?$/.exec(t);
  if (!m) return quoted + 'は温度として読めません';
  if (m[2] && m[2].length > 2) return quoted + 'は温度として読めません（小数は2桁まで）';
  const v = Number(t);
  if (v < -20 || v > 300) return quoted + 'は温度の範囲 (−20〜300 ℃) の外です';
  return '';
}

function record(event) {
  event.preventDefault();
  const temperature = $('temp').value.trim();
  const refusal = temperatureRefusal(temperature);
  if (refusal) {
    say($('message'), refusal, 'bad');
    $('temp').focus();
    return;
  }
  const day = chosenDay();
  if (!day.koji || !day.gozai || !day.day) {
    say($('message'), '工事・合材・区分・試験日を選んでください', 'bad');
    return;
  }
  queue.push({ op: 'add', id: newId(), ...day, temperature,
    truck: $('truck').value.trim(), remark: $('remark').value.trim(), takenAt: Date.now() });
  keep(KEY.queue, queue);
  $('choose').open = false; // the first load confirms the choice
  $('temp').value = '';
  $('remark').value = '';
  say($('message'), temperature + '℃ を記録しました', 'good');
  showWaiting();
  showRecent();
  $('temp').focus();
  flush();
}

function openEdit(r) {
  editing = r;
  $('edit').hidden = false;
  keepReading();
  $('edit-title').textContent = (r.lno ? r.lno + '台目' : '未送信の記録') + 'の修正';
  say($('edit-message'), '');
  $('edit-temp').value = r.ondo;
  $('edit-truck').value = r.truck || '';
  $('edit-remark').value = r.remark || '';
  $('edit-temp').focus();
}

function closeEdit() {
  editing = null;
  keepReading();
  $('edit').hidden = true;
}

function askRemove() {
  const r = editing;
  if (!r) return;
  $('edit-ask-text').textContent = (r.lno ? r.lno + '台目' : '未送信の記録') + '（' + r.ondo + '℃）を削除しますか？';
  $('edit-actions').hidden = true;
  $('edit-ask').hidden = false;
  $('edit-ask-no').focus();
}

function keepReading() {
  $('edit-ask').hidden = true;
  $('edit-actions').hidden = false;
}

// The choices folded to one line leave the temperature, its keys and 記録 on the first screen.
function closeChoices() {
  $('choose').open = false;
  window.scrollTo(0, 0);
}

function saveEdit(remove) {
  const r = editing;
  if (!r) return;
  const temperature = $('edit-temp').value.trim();
  const refusal = remove ? '' : temperatureRefusal(temperature);
  if (refusal) {
    say($('edit-message'), refusal, 'bad');
    return;
  }
  const pendingAdd = queue.find((q) => q.op === 'add' && q.id === r.id);
  if (pendingAdd && remove) {
    queue = queue.filter((q) => q.id !== r.id);
  } else if (pendingAdd) {
    // Corrected, it is sent again.
    Object.assign(pendingAdd, { temperature, truck: $('edit-truck').value.trim(), remark: $('edit-remark').value.trim() });
    delete pendingAdd.refused;
  } else {
    queue.push({ op: remove ? 'remove' : 'correct', id: r.id, ...chosenDay(), temperature,
      truck: $('edit-truck').value.trim(), remark: $('edit-remark').value.trim(), takenAt: Date.now() });
  }
  keep(KEY.queue, queue);
  say($('message'), (r.lno ? r.lno + '台目' : '未送信の記録') + 'を' + (remove ? '削除' : '修正') + 'しました', 'good');
  closeEdit();
  showWaiting();
  showRecent();
  flush();
}

// Sends the waiting readings one at a time, oldest first, until none is left or the office
// cannot be reached; then tries again by itself. Only an office out of reach (503, 429, no
// answer) is tried again: a reading refused as it is stays marked 送れません until the person
// corrects or deletes it.
async function flush() {
  if (sending || !queue.some((q) => !q.refused) || !token()) { showWaiting(); return; }
  sending = true;
  clearTimeout(retryTimer);
  let wait = 0;
  for (let q = queue.find((x) => !x.refused); q; q = queue.find((x) => !x.refused)) {
    const path = q.op === 'add' ? '/api/readings' : '/api/readings/' + q.op;
    const { refused, ...body } = q;
    const r = await call('POST', path, { ...body, sentAt: Date.now() });
    if (r.status === 200) {
      queue = queue.filter((x) => x !== q);
      keep(KEY.queue, queue);
      showLink(true);
      if (r.data.clock) say($('message'), r.data.clock, 'bad');
      else if (r.data.estimate) say($('message'), q.temperature + '℃ を記録しました。' + q.truck + '：' + r.data.estimate, 'good');
      if (sameDay(q, chosenDay())) showSummary(r.data.summary);
      showWaiting();
      continue;
    }
    if (r.status === 401) {
      sending = false;
      showPairing(r.data.error);
      showWaiting();
      return;
    }
    if (r.status !== 0 && r.status !== 503 && r.status !== 429) {
      showLink(true);
      q.refused = r.data.error || ('事務所のパソコンが受け付けませんでした（' + r.status + '）');
      keep(KEY.queue, queue);
      say($('message'), (q.temperature ? q.temperature + '℃ は' : '') + '送れません: ' + q.refused, 'bad');
      showWaiting();
      showRecent();
      continue;
    }
    showLink(r.status !== 0);
    if (r.status !== 0 && r.data.error) say($('message'), r.data.error, 'bad');
    wait = Math.max(r.retry * 1000, 2000);
    break;
  }
  sending = false;
  showWaiting();
  if (queue.some((q) => !q.refused)) retryTimer = setTimeout(flush, wait || 2000);
}

function key(event) {
  const k = event.target.dataset.key;
  if (!k) return;
  const input = $('temp');
  input.value = k === 'back' ? input.value.slice(0, -1) : input.value + k;
}

// Served over HTTPS with the office's own certificate: how to know it is the office's, once.
function explainTrust() {
  if (location.protocol !== 'https:' || localStorage.getItem(KEY.trusted)) return;
  $('trust').hidden = false;
  $('trust-ok').addEventListener('click', () => {
    localStorage.setItem(KEY.trusted, '1');
    $('trust').hidden = true;
  });
}

window.addEventListener('DOMContentLoaded', () => {
  explainTrust();
  $('pair').addEventListener('click', pair);
  $('code').addEventListener('keydown', (e) => { if (e.key === 'Enter') pair(); });
  $('reading').addEventListener('submit', record);
  document.querySelector('.keypad').addEventListener('click', key);
  for (const id of ['koji', 'gozai', 'kubun', 'day'])
    $(id).addEventListener('change', () => { remember(); refresh(); });
  $('edit-save').addEventListener('click', () => saveEdit(false));
  $('edit-remove').addEventListener('click', askRemove);
  $('edit-ask-yes').addEventListener('click', () => saveEdit(true));
  $('edit-ask-no').addEventListener('click', keepReading);
  $('chosen-ok').addEventListener('click', closeChoices);
  $('edit-cancel').addEventListener('click', closeEdit);
  window.addEventListener('online', flush);
  setInterval(() => { if (queue.some((q) => !q.refused)) flush(); }, 5000);
  showWaiting();
  start();
});
