// fiscal-server's page: the printers at a glance, a few actions by hand, today's
// sales, the request log and the settings. Plain JavaScript, nothing loaded
// from elsewhere; every request is one of the server's own JSON requests.
"use strict";

const REFRESH_MS = 4000;
const TOKEN_KEY = "fiscal-server-token"; // sessionStorage: this browser tab only
const CLOCK_OFF_SECONDS = 60;

const $ = (id) => document.getElementById(id);
let refreshTimer = null;
let lastSales = [];
const cards = new Map(); // printer id -> its card's elements

// ---- words and numbers in Bulgarian form ----

const pad = (n) => String(n).padStart(2, "0");

function formatDateTime(d) {
  return `${pad(d.getDate())}.${pad(d.getMonth() + 1)}.${d.getFullYear()} ` +
    `${pad(d.getHours())}:${pad(d.getMinutes())}`;
}

function formatTime(d) {
  return `${pad(d.getHours())}:${pad(d.getMinutes())}:${pad(d.getSeconds())}`;
}

function formatMoney(n) {
  const [whole, cents] = Math.abs(n).toFixed(2).split(".");
  const grouped = whole.replace(/\B(?=(\d{3})+(?!\d))/g, "\u00a0");
  return `${n < 0 ? "-" : ""}${grouped},${cents} лв.`;
}

// "2026-12-08T17:40:00" (the printer's local time, no zone) as a Date.
function parseLocal(text) {
  const m = /^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})/.exec(text || "");
  return m ? new Date(+m[1], m[2] - 1, +m[3], +m[4], +m[5], +m[6]) : null;
}

function durationWords(seconds) {
  const s = Math.round(Math.abs(seconds));
  if (s < 3600) return `${Math.round(s / 60)} мин.`;
  if (s < 2 * 86400) return `${Math.floor(s / 3600)} ч. и ${Math.round((s % 3600) / 60)} мин.`;
  return `${Math.round(s / 86400)} дни`;
}

function el(tag, attrs, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) {
    if (k === "text") node.textContent = v;
    else node.setAttribute(k, v);
  }
  for (const c of children) node.append(c);
  return node;
}

// ---- requests ----

class TokenError extends Error {}

async function call(method, path, body) {
  const headers = {};
  const token = sessionStorage.getItem(TOKEN_KEY);
  if (token) headers.Authorization = `Bearer ${token}`;
  const options = { method, headers, cache: "no-store" };
  if (body !== undefined) {
    headers["Content-Type"] = "application/json";
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  let data = null;
  try {
    data = await response.json();
  } catch (e) {
    data = { ok: false, messages: [] };
  }
  if (response.status === 401) throw new TokenError();
  data.httpStatus = response.status;
  return data;
}

// The printer's (or the server's) answer in words.
function answerWords(data) {
  const msgs = (data.messages || []).filter((m) => m.type === "error" || m.type === "warning");
  const words = msgs.map((m) => {
    if (m.reason === "busy") return "Принтерът е зает с други заявки; опитайте отново след малко";
    if (m.reason === "noAnswer") return "Принтерът не отговаря";
    if (m.reason === "paper") return "Няма хартия";
    return m.text;
  });
  if (data.ok) return words.length ? `Готово. ${words.join("; ")}` : "Готово.";
  return `Не е изпълнено: ${words.join("; ") || "принтерът не отговори"}`;
}

// ---- the token ----

function askToken(message) {
  stopRefresh();
  $("content").hidden = true;
  $("login").hidden = false;
  $("login-message").textContent = message;
  $("token").value = "";
  $("token").focus();
}

$("login-form").addEventListener("submit", (event) => {
  event.preventDefault();
  sessionStorage.setItem(TOKEN_KEY, $("token").value);
  start();
});

async function start() {
  try {
    const settings = await call("GET", "/server/settings");
    showSettings(settings);
  } catch (e) {
    if (e instanceof TokenError) {
      const had = sessionStorage.getItem(TOKEN_KEY);
      sessionStorage.removeItem(TOKEN_KEY);
      askToken(had ? "Грешен ключ за достъп. Опитайте отново." :
        "Сървърът иска ключ за достъп.");
      return;
    }
    $("updated").textContent = "Сървърът не отговаря.";
    setTimeout(start, REFRESH_MS);
    return;
  }
  $("login").hidden = true;
  $("content").hidden = false;
  refresh();
}

// ---- refreshing while the page is visible ----

function stopRefresh() {
  clearTimeout(refreshTimer);
  refreshTimer = null;
}

async function refresh() {
  stopRefresh();
  try {
    await Promise.all([refreshPrinters(), refreshSales(), refreshLog()]);
    $("updated").textContent = `Обновено в ${formatTime(new Date())}`;
  } catch (e) {
    if (e instanceof TokenError) {
      sessionStorage.removeItem(TOKEN_KEY);
      askToken("Ключът за достъп вече не е верен. Въведете го отново.");
      return;
    }
    $("updated").textContent = "Сървърът не отговаря; нов опит след малко.";
  }
  if (document.visibilityState === "visible") refreshTimer = setTimeout(refresh, REFRESH_MS);
}

document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "visible" && !$("content").hidden && !refreshTimer) refresh();
  if (document.visibilityState !== "visible") stopRefresh();
});

// ---- printers ----

// The device info (model, numbers) is read from each printer: asked again only
// every INFO_EVERY refreshes, or when a printer did not answer, so that the
// page takes as little of the printers' time as it can from the tills.
const INFO_EVERY = 8;
let printersInfo = null;
let infoAge = 0;

async function refreshPrinters() {
  if (!printersInfo || ++infoAge >= INFO_EVERY ||
      Object.values(printersInfo).some((p) => !p.connected)) {
    printersInfo = await call("GET", "/printers");
    delete printersInfo.httpStatus;
    infoAge = 0;
  }
  const ids = Object.keys(printersInfo);
  $("printers-empty").hidden = ids.length > 0;
  await Promise.all(ids.map(async (id) => {
    const info = printersInfo[id];
    const card = cardFor(id);
    const base = `/printers/${encodeURIComponent(id)}`;
    const status = await call("GET", `${base}/status`);
    // A printer that stopped answering: read its info again next time.
    info.connected = (status.messages || []).every((m) => m.reason !== "noAnswer" && m.reason !== "link");
    const cash = info.connected ? await call("GET", `${base}/cash`) : null;
    fillCard(card, info, info.connected ? status : null, cash);
  }));
}

function cardFor(id) {
  if (cards.has(id)) return cards.get(id);
  const title = el("h3", { id: `p-${id}-title` });
  const ids = el("p", { class: "ids" });
  const state = el("ul", { "aria-label": "Състояние" });
  const cash = el("p", { class: "cash" });
  const answer = el("p", { class: "answer", role: "status", "aria-live": "polite" });
  const actions = el("div", { class: "actions", role: "group", "aria-label": `Действия с принтер ${id}` });
  const card = { id, info: null, status: null, title, ids, state, cash, answer, actions };
  for (const [label, act] of ACTIONS) {
    const b = el("button", { type: "button", text: label, "data-action": act });
    b.addEventListener("click", () => runAction(card, act));
    actions.append(b);
  }
  card.root = el("article", { class: "card", "aria-labelledby": title.id, "data-printer": id },
    title, ids, state, cash, actions, answer);
  $("printers").append(card.root);
  cards.set(id, card);
  return card;
}

// What the printer's state says, in words: [text, "good"|"warn"|"bad"].
function stateWords(info, status) {
  if (!info.connected || !status) return [["Няма връзка с принтера", "bad"]];
  const f = (status.status && status.status.flags) || {};
  const out = [];
  out.push(f.noPaper ? ["Няма хартия", "bad"] : ["Хартията е наред", "good"]);
  if (f.fiscalReceiptOpen) out.push(["Има отворен фискален бон", "warn"]);
  if (f.serviceReceiptOpen) out.push(["Има отворен служебен бон", "warn"]);
  if (f.clockNotSet) {
    out.push(["Часовникът не е сверен", "warn"]);
  } else {
    const printerTime = parseLocal(status.deviceDateTime);
    if (printerTime) {
      const off = (printerTime - new Date()) / 1000;
      if (Math.abs(off) >= CLOCK_OFF_SECONDS) {
        out.push([`Часовникът ${off > 0 ? "избързва" : "изостава"} с ${durationWords(off)} спрямо компютъра`, "warn"]);
      } else {
        out.push(["Часовникът е точен", "good"]);
      }
    }
  }
  if (f.fiscalMemoryFull) out.push(["Фискалната памет е пълна", "bad"]);
  else if (f.fiscalMemoryNearlyFull) out.push(["Фискалната памет е почти пълна (под 50 записа)", "warn"]);
  if (f.reportOverflow) out.push(["Нужен е дневен Z отчет", "warn"]);
  const known = new Set(["E307", "W303", "W306", "W313", "W314", "E320", "W321", "W308"]);
  for (const m of status.messages || []) {
    if (!known.has(m.code) && (m.type === "error" || m.type === "warning"))
      out.push([m.text, m.type === "error" ? "bad" : "warn"]);
  }
  return out;
}

function fillCard(card, info, status, cash) {
  card.info = info;
  card.status = status;
  const model = info.model ? ` · ${info.model}` : "";
  card.title.textContent = `Принтер ${card.id}${model}`;
  card.ids.textContent = `Сериен № ${info.serialNumber || "—"} · ФП № ${info.fiscalMemorySerialNumber || "—"}` +
    ` · ${info.port || ""} · ${info.connected ? "свързан" : "не е свързан"}`;
  const words = stateWords(info, status);
  card.state.replaceChildren(...words.map(([text, kind]) => el("li", { class: kind, text })));
  card.cash.textContent = cash && cash.ok && typeof cash.amount === "number" ?
    `В касата: ${formatMoney(cash.amount)}` : "В касата: —";
  card.root.classList.toggle("offline", !info.connected);
  card.root.classList.toggle("problem", info.connected && words.some(([, k]) => k === "bad"));
}

// ---- actions ----

const ACTIONS = [
  ["X отчет", "xreport"],
  ["Z отчет", "zreport"],
  ["Служебно въвеждане", "deposit"],
  ["Служебно извеждане", "withdraw"],
  ["Сверяване на часовника", "clock"],
  ["Приключване на заседнал бон", "settle"],
];

// What settling a stuck receipt did ("settled" of its answer), in words.
const SETTLED = {
  nothing: "На принтера няма отворен бон: нищо не е променено.",
  cancelled: "Отвореният бон е анулиран и затворен: нищо не е продадено.",
  completed: "Остатъкът е доплатен в брой и бонът е затворен.",
  nothingPrinted: "Бонът не е бил отпечатан: нищо не е променено.",
  notNow: "Принтерът не отговаря или няма хартия: опитайте отново след малко.",
  cannot: "Бонът остава отворен: принтерът не позволи да бъде анулиран или не е отворен от този сървър.",
  unknown: "Не може да се каже дали бонът е отпечатан: проверете хартията.",
};

// Asks in the dialog; resolves with true (yes) or false. With `amount`, the
// amount typed (a number) instead of true.
function confirmDialog(title, text, amount) {
  const dialog = $("confirm");
  $("confirm-title").textContent = title;
  $("confirm-text").textContent = text;
  $("amount-row").hidden = !amount;
  $("amount").value = "";
  $("confirm-error").textContent = "";
  return new Promise((resolve) => {
    const form = $("confirm-form");
    const onSubmit = (event) => {
      const yes = event.submitter && event.submitter.value === "yes";
      if (yes && amount) {
        const value = Number($("amount").value.trim().replace(/\s/g, "").replace(",", "."));
        if (!(value > 0) || !/^\d+([.,]\d{1,2})?$/.test($("amount").value.trim())) {
          event.preventDefault();
          $("confirm-error").textContent = "Въведете сума, например 25,50.";
          $("amount").focus();
          return;
        }
        finish(value);
        return;
      }
      finish(yes);
    };
    const onCancel = () => finish(false);
    function finish(result) {
      form.removeEventListener("submit", onSubmit);
      dialog.removeEventListener("cancel", onCancel);
      resolve(result);
    }
    form.addEventListener("submit", onSubmit);
    dialog.addEventListener("cancel", onCancel);
    dialog.showModal();
    (amount ? $("amount") : $("confirm-no")).focus();
  });
}

async function runAction(card, act) {
  const id = card.id;
  const base = `/printers/${encodeURIComponent(id)}`;
  let request = null;
  if (act === "xreport") {
    if (await confirmDialog("X отчет", `Да се отпечата ли дневен X отчет на принтер ${id}? Той не нулира нищо.`))
      request = ["xreport", {}, "X отчетът е отпечатан."];
  } else if (act === "zreport") {
    if (await confirmDialog("Z отчет", `Дневният Z отчет нулира дневните регистри на принтер ${id} и записва деня във фискалната памет. Това не може да бъде отменено. Да се отпечата ли Z отчет?`))
      request = ["zreport", {}, "Z отчетът е отпечатан."];
  } else if (act === "deposit" || act === "withdraw") {
    const inOut = act === "deposit" ? "Служебно въвеждане" : "Служебно извеждане";
    const amount = await confirmDialog(inOut, `${inOut} на пари в брой в касата на принтер ${id}.`, true);
    if (amount) request = [act, { amount }, `${inOut} на ${formatMoney(amount)}: готово.`];
  } else if (act === "clock") {
    const printerTime = card.status && parseLocal(card.status.deviceDateTime);
    const now = new Date();
    const text = `Часовник на принтера: ${printerTime ? formatDateTime(printerTime) : "неизвестен"}. ` +
      `Часовник на компютъра: ${formatDateTime(now)}. Да се свери ли часовникът на принтера с компютъра?`;
    if (await confirmDialog("Сверяване на часовника", text))
      request = ["datetime", { deviceDateTime: new Date().toJSON(), corrections: { setClock: true } },
        "Часовникът е сверен."];
  } else if (act === "settle") {
    if (await confirmDialog("Приключване на заседнал бон", `Ако на принтер ${id} е останал отворен бон, той ще бъде приключен: анулиран, ако по него още нищо не е платено, иначе доплатен в брой. Ако няма отворен бон, нищо не се променя. Да продължи ли?`))
      request = ["settle", {}, "Готово."];
  }
  if (!request) {
    card.answer.className = "answer";
    card.answer.textContent = "Отказано: нищо не е изпратено.";
    return;
  }
  const [path, body, done] = request;
  card.answer.className = "answer";
  card.answer.textContent = "Изпраща се към принтера…";
  for (const b of card.actions.querySelectorAll("button")) b.disabled = true;
  try {
    const data = await call("POST", `${base}/${path}`, body);
    if (act === "settle" && data.httpStatus === 404 && (data.messages || []).some((m) => m.reason === "path")) {
      card.answer.className = "answer failed";
      card.answer.textContent = "Тази версия на сървъра не може да приключва заседнали бонове.";
    } else if (act === "settle" && SETTLED[data.settled]) {
      card.answer.className = `answer ${data.ok ? "ok" : "failed"}`;
      const sale = data.uniqueSaleNumber ? ` (продажба ${data.uniqueSaleNumber})` : "";
      const details = (data.messages || []).map((m) => m.text).join("; ");
      card.answer.textContent = `${SETTLED[data.settled]}${sale}${details ? ` ${details}` : ""}`;
    } else {
      card.answer.className = `answer ${data.ok ? "ok" : "failed"}`;
      const words = answerWords(data);
      const infos = (data.messages || []).filter((m) => m.type === "info").map((m) => m.text);
      card.answer.textContent = data.ok && act !== "settle" ? `${done} ${words.replace(/^Готово\.\s*/, "")}`.trim() :
        [words, ...infos].join(" ");
    }
  } catch (e) {
    if (e instanceof TokenError) {
      sessionStorage.removeItem(TOKEN_KEY);
      askToken("Ключът за достъп вече не е верен. Въведете го отново.");
      return;
    }
    card.answer.className = "answer failed";
    card.answer.textContent = "Сървърът не отговори. Проверете на хартията дали нещо е отпечатано.";
  } finally {
    for (const b of card.actions.querySelectorAll("button")) b.disabled = false;
  }
  refresh();
}

// ---- today's sales ----

const OUTCOMES = {
  printed: "отпечатан",
  refused: "отказан",
  cancelled: "анулиран",
  unfinished: "незавършен",
};

async function refreshSales() {
  const midnight = new Date();
  midnight.setHours(0, 0, 0, 0);
  const data = await call("GET", `/server/sales?since=${encodeURIComponent(midnight.toISOString())}`);
  lastSales = data.sales || [];
  showSales();
  drawChart(lastSales);
}

function showSales() {
  const search = $("sale-search").value.trim().toLowerCase();
  const rows = lastSales.filter((s) => !search || s.sale.toLowerCase().includes(search));
  $("sales").tBodies[0].replaceChildren(...rows.map((s) => el("tr", {},
    el("td", { text: s.sale }),
    el("td", { text: formatTime(new Date(s.time)) }),
    el("td", { text: s.printer }),
    el("td", { text: s.receiptNumber || "—" }),
    el("td", { class: "num", text: typeof s.amount === "number" ? formatMoney(s.amount) : "—" }),
    el("td", { class: `outcome-${s.outcome}`, text: OUTCOMES[s.outcome] || s.outcome, title: s.text || "" }))));
  $("sales-empty").hidden = rows.length > 0;
  const printed = lastSales.filter((s) => s.outcome === "printed");
  const takings = printed.reduce((sum, s) => sum + (s.amount || 0), 0);
  $("sales-summary").textContent = `Отпечатани бонове: ${printed.length}, оборот: ${formatMoney(takings)}` +
    (lastSales.length > printed.length ? `; други продажби: ${lastSales.length - printed.length}` : "");
}

$("sale-search").addEventListener("input", showSales);

// Receipts and takings per hour of the day, side by side (each to its own
// scale), drawn here.
function drawChart(sales) {
  const svg = $("chart");
  const NS = "http://www.w3.org/2000/svg";
  const W = 720, H = 180, left = 30, right = 50, top = 10, bottom = 24;
  const count = new Array(24).fill(0);
  const money = new Array(24).fill(0);
  for (const s of sales) {
    if (s.outcome !== "printed") continue;
    const h = new Date(s.time).getHours();
    count[h] += 1;
    money[h] += s.amount || 0;
  }
  const maxCount = Math.max(1, ...count);
  const maxMoney = Math.max(1, ...money);
  const step = (W - left - right) / 24;
  const y = (v, max) => top + (H - top - bottom) * (1 - v / max);
  const shape = (tag, attrs, text) => {
    const n = document.createElementNS(NS, tag);
    for (const [k, v] of Object.entries(attrs)) n.setAttribute(k, v);
    if (text !== undefined) n.textContent = text;
    return n;
  };
  const parts = [svg.querySelector("title")];
  parts.push(shape("line", { class: "axis", x1: left, y1: H - bottom, x2: W - right, y2: H - bottom }));
  const bar = (h, cls, value, max, offset, label) => {
    const yTop = y(value, max);
    const r = shape("rect", { class: cls, x: left + h * step + offset, y: yTop, width: step / 2 - 2,
      height: H - bottom - yTop });
    r.append(shape("title", {}, label));
    return r;
  };
  for (let h = 0; h < 24; h++) {
    if (count[h]) {
      const label = `${pad(h)}:00 – ${count[h]} бона, ${formatMoney(money[h])}`;
      parts.push(bar(h, "bar", count[h], maxCount, 1, label));
      parts.push(bar(h, "money", money[h], maxMoney, step / 2, label));
    }
    if (h % 3 === 0) parts.push(shape("text", { x: left + h * step + 2, y: H - 8 }, `${pad(h)}:00`));
  }
  parts.push(shape("text", { x: 2, y: top + 10 }, String(maxCount)));
  parts.push(shape("text", { x: W - right + 4, y: top + 10 }, formatMoney(maxMoney).replace(" лв.", "")));
  svg.replaceChildren(...parts);
}

// ---- the request log and the settings ----

async function refreshLog() {
  const data = await call("GET", "/server/log?lines=100");
  const log = $("log");
  if (!data.enabled) {
    log.textContent = "Дневникът на заявките се пише на стандартния изход за грешки " +
      "(сървърът е пуснат без --log) и не се показва тук.";
  } else if (data.error) {
    log.textContent = `Дневникът на заявките не може да бъде прочетен (${data.log || ""}).`;
  } else {
    const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
    log.textContent = data.lines.join("\n") || "Дневникът е празен.";
    if (atEnd) log.scrollTop = log.scrollHeight;
  }
}

function showSettings(s) {
  const yesNo = (v, yes, no) => (v ? yes : no);
  const rows = [
    ["Адрес", s.listen],
    ["Порт", String(s.port || location.port)],
    ["HTTPS", yesNo(s.https, "включен", "изключен")],
    ["Принтери", s.findPrinters && !s.printers.length ? "намира ги сам" :
      s.printers.map((p) => `${p.id}: ${p.path} (${p.baud} бода)`).join("; ")],
    ["Разрешени уеб страници", s.allowedOrigins.length ? s.allowedOrigins.join(", ") : "само тази"],
    ["Разрешени имена на сървъра", s.allowedHosts.length ? s.allowedHosts.join(", ") : "няма (само адреси и localhost)"],
    ["Дневник на продажбите", s.journal || "—"],
    ["Дневник на заявките", s.log || "стандартният изход за грешки"],
    ["Ключ за достъп", yesNo(s.tokenRequired, "изисква се", "не се изисква")],
  ];
  $("settings").replaceChildren(...rows.flatMap(([k, v]) => [el("dt", { text: k }), el("dd", { text: v })]));
}

start();
