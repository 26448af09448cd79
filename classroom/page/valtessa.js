"use strict";
// The pupils' page of a class round: a join form, then the quiz as the teacher's window shows it.
// Every check is decided by the teacher's program (docs/protocol.md); the page shows its answers,
// speaks them as the window does, and comes back by itself after a reload or a dropped link.
(() => {
  const $ = (id) => document.getElementById(id);
  const lists = [0, 1, 2].map((i) => $("list" + i));
  const summary = $("summary");
  // A link not open this long, or a request unanswered this long, means a link that died without
  // a word: a pulled cable or a phone that slept. It is dropped and opened again, and the request
  // sent again.
  const openSeconds = 5;
  const answerSeconds = 10;
  // The teacher's program says it is there every 5 seconds; three times that in silence is a
  // link that has died without closing (a pulled cable, a lost Wi-Fi).
  const silenceSeconds = 15;

  const storage = (() => {
    try {
      return window.sessionStorage;
    } catch {
      return null; // storage turned off: a reload then means joining again
    }
  })();
  const saved = (key) => (storage && storage.getItem("valtessa." + key)) || "";
  const save = (key, value) => {
    try {
      if (value) storage.setItem("valtessa." + key, value);
      else storage.removeItem("valtessa." + key);
    } catch {
      // as above
    }
  };

  let socket = null;
  let attempts = 0;
  let retryTimer = 0;
  let deadline = 0;
  let silence = 0;
  let token = saved("token");
  let joining = false; // „Влез“ pressed, no welcome yet
  let namesAnswered = false;
  let askedCode = "";
  let online = false;
  let ended = false;
  let captions = [];
  let entries = []; // each list's entries, exactly as sent: an option's text drops blanks
  let serial = 1;
  let pending = null; // the check or „again“ sent and not yet answered

  // Text put where a screen reader speaks it; the same words twice are still a change.
  function tell(element, text) {
    element.textContent = text && element.textContent === text ? text + "\u00a0" : text;
  }
  const say = (text) => tell($("speech"), text || "");
  const status = (text) => tell($("status"), text);
  const joinStatus = (text) => tell($("join-status"), text);

  // --- the link -------------------------------------------------------------------------------

  function connect() {
    clearTimeout(retryTimer);
    if (socket) return;
    const ws = new WebSocket(`ws://${location.host}/ws`);
    socket = ws;
    namesAnswered = false;
    deadline = setTimeout(() => dropped(ws), openSeconds * 1000);
    ws.onopen = () => {
      clearTimeout(deadline);
      attempts = 0;
      if (token) send({ type: "resume", protocol: 1, token });
      else if (joining) send({ type: "join", protocol: 1, code: codeValue(), name: nameValue() });
      else if (askedCode) send({ type: "names", code: askedCode });
    };
    ws.onmessage = (event) => {
      let message = null;
      try {
        message = JSON.parse(event.data);
      } catch {
        return; // nothing the page can read; the teacher's program sends JSON only
      }
      clearTimeout(silence);
      silence = setTimeout(() => dropped(ws), silenceSeconds * 1000);
      if (message && typeof message === "object") receive(message);
    };
    ws.onclose = () => dropped(ws);
  }

  // After a second, then two, then every three: a lab's Wi-Fi comes back in seconds, and a class
  // of thirty must not flood the teacher's machine.
  function dropped(ws) {
    if (socket !== ws) return;
    socket = null;
    clearTimeout(deadline);
    clearTimeout(silence);
    ws.onopen = ws.onmessage = ws.onclose = null;
    ws.close();
    // The names asked for, then closed by the teacher's program; or a round that has ended.
    if ((!token && !joining) || ended) return;
    if (online || attempts === 0) {
      online = false;
      if ($("quiz").hidden) joinStatus("Няма връзка с учителя. Свързване отново…");
      else status("Връзката с учителя прекъсна. Свързване отново…");
    }
    attempts += 1;
    retryTimer = setTimeout(connect, Math.min(attempts, 3) * 1000);
  }

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
  }

  function request(message) {
    pending = { ...message, serial };
    serial += 1;
    sendPending();
  }

  function sendPending() {
    clearTimeout(deadline);
    if (!pending || !online) return;
    send(pending);
    const ws = socket;
    deadline = setTimeout(() => dropped(ws), answerSeconds * 1000);
  }

  function answered() {
    pending = null;
    clearTimeout(deadline);
  }

  function receive(message) {
    switch (message.type) {
      case "names":
        namesAnswered = true;
        showNames(message.names);
        break;
      case "welcome":
        welcomed(message);
        break;
      case "verdict":
        if (pending && pending.type === "check" && pending.serial === message.serial) {
          const choice = pending.choice;
          answered();
          showVerdict(message, choice);
        }
        break;
      case "started":
        answered();
        showAttempt(message.attempt);
        summary.close();
        say(message.spoken);
        break;
      case "finished":
        answered();
        showSummary(message);
        break;
      case "held":
        joinStatus("Чакате учителя да ви пусне: " + message.reason);
        break;
      case "refused":
        refused(message.reason);
        break;
      default:
        break; // a message of a later program
    }
  }

  function refused(reason) {
    // The names asked for before joining: the teacher's program closes such a link after a while.
    if (!token && !joining && namesAnswered) return;
    const ws = socket;
    socket = null;
    if (ws) {
      ws.onclose = null;
      ws.close();
    }
    clearTimeout(retryTimer);
    answered();
    joining = false;
    online = false;
    const inRound = !!token;
    token = "";
    save("token", "");
    if (inRound && ended) return; // the round is over and the page shows its end
    summary.close();
    $("quiz").hidden = true;
    $("join").hidden = false;
    document.title = "Влизане в клас — Valtessa";
    joinStatus("Кръгът на класа: " + reason + ".");
    $("enter").disabled = false;
  }

  // --- joining --------------------------------------------------------------------------------

  const codeValue = () => $("code").value.trim();
  const nameValue = () => $("name").value.replace(/\s+/g, " ").trim();

  function askNames() {
    const code = codeValue();
    if (!/^\d{4}$/.test(code) || code === askedCode || token || joining) return;
    askedCode = code;
    if (socket && socket.readyState === WebSocket.OPEN) send({ type: "names", code });
    else connect();
  }

  function showNames(names) {
    const datalist = $("names");
    datalist.replaceChildren();
    for (const name of Array.isArray(names) ? names : []) {
      const option = document.createElement("option");
      option.value = String(name);
      datalist.append(option);
    }
  }

  function join(event) {
    event.preventDefault();
    const code = $("code");
    const name = $("name");
    const problem = !/^\d{4}$/.test(codeValue())
      ? [code, "Кодът на кръга е от 4 цифри: вижте го на екрана на учителя."]
      : !nameValue()
        ? [name, "Изберете или напишете името си."]
        : null;
    code.setAttribute("aria-invalid", String(problem !== null && problem[0] === code));
    name.setAttribute("aria-invalid", String(problem !== null && problem[0] === name));
    if (problem) {
      joinStatus(problem[1]);
      problem[0].focus();
      return;
    }
    save("name", nameValue());
    joining = true;
    $("enter").disabled = true;
    joinStatus("Свързване с учителя…");
    // A link of its own: the one that asked for the names is closed after a while unjoined.
    if (socket) {
      socket.onopen = socket.onmessage = socket.onclose = null;
      socket.close();
      socket = null;
    }
    connect();
  }

  // --- the round ------------------------------------------------------------------------------

  function welcomed(welcome) {
    const back = !$("quiz").hidden;
    joining = false;
    online = true;
    token = String(welcome.token);
    save("token", token);
    save("name", welcome.name);
    captions = Array.isArray(welcome.captions) ? welcome.captions.map(String) : [];
    const about = welcome.className ? `Клас „${welcome.className}“` : "Клас";
    document.title = `${about}: ${welcome.title} — ${welcome.name}`;
    $("heading").textContent = welcome.title;
    captions.forEach((caption, i) => {
      $("caption" + i).textContent = caption;
    });
    $("box2").hidden = captions.length < 3;
    $("check").setAttribute(
      "aria-description",
      "Проверява избраните отговори от списъците " + joined(captions.map((c) => `„${c}“`))
    );
    const attempt = welcome.attempt || {};
    // A request sent before the link dropped keeps its serial; the rest count on from the host's.
    serial = Math.max(serial, Number(attempt.nextSerial) || 1);
    showAttempt(attempt, true);
    $("info").textContent = attempt.shown || welcome.introduction || "";
    $("join").hidden = true;
    $("quiz").hidden = false;
    $("join-status").textContent = "";
    status(back ? "Връзката с учителя е възстановена." : "");
    if (!back) lists[0].focus();
    sendPending();
  }

  // The lists, keeping each choice that is still there.
  function showAttempt(attempt, keepChoices) {
    const chosen = lists.map((_, i) => (keepChoices ? chosenEntry(i) : null));
    entries = (Array.isArray(attempt.lists) ? attempt.lists : []).map((list) => list.map(String));
    lists.forEach((select, i) => {
      const options = (entries[i] || []).map((entry) => new Option(entry));
      select.replaceChildren(...options);
      select.selectedIndex = chosen[i] === null ? -1 : (entries[i] || []).indexOf(chosen[i]);
    });
    showScore(attempt.rightAnswers, attempt.wrongAnswers);
    showEnded(false);
  }

  function showEnded(over) {
    ended = over;
    $("check").disabled = over;
    $("again").disabled = over;
  }

  function chosenEntry(list) {
    const index = lists[list].selectedIndex;
    const listed = entries[list] || [];
    return index >= 0 && index < listed.length ? listed[index] : null;
  }

  function showScore(right, wrong) {
    for (const [id, value, name] of [
      ["right", right, "Верни отговори: "],
      ["wrong", wrong, "Грешни отговори: "],
    ]) {
      const counter = $(id);
      counter.textContent = String(Number(value) || 0);
      counter.setAttribute("aria-label", name + counter.textContent);
    }
  }

  function showVerdict(verdict, choice) {
    if (verdict.right) {
      // The chosen entries leave their lists, as in the window; one already gone (the verdict
      // of a request sent again) is not looked for.
      choice.forEach((text, i) => {
        const index = entries[i].indexOf(text);
        if (index < 0) return;
        entries[i].splice(index, 1);
        lists[i].remove(index);
      });
      lists.forEach((select) => {
        select.selectedIndex = -1;
      });
      $("info").textContent = verdict.shown;
    } else {
      $("info").textContent = "???";
    }
    showScore(verdict.rightAnswers, verdict.wrongAnswers);
    say(verdict.spoken);
  }

  // „Място“ becomes „място“ inside a sentence, but an abbreviation („ДДС“) stays as written.
  function inSentence(caption) {
    caption = caption.trim();
    const second = caption.charAt(1);
    const upper = second !== second.toLowerCase() && second === second.toUpperCase();
    return caption && !upper ? caption.charAt(0).toLowerCase() + caption.slice(1) : caption;
  }

  function joined(items) {
    return items.length < 2 ? items[0] || "" : items.slice(0, -1).join(", ") + " и " + items.at(-1);
  }

  function check() {
    if (!token || pending || ended) return;
    const choice = captions.map((_, i) => chosenEntry(i));
    if (choice.some((entry) => entry === null)) {
      status(
        entries[0] && entries[0].length === 0
          ? "Всички отговори са намерени. „Изчисти“ започва нов кръг."
          : "Изберете " +
              joined(captions.filter((_, i) => choice[i] === null).map(inSentence)) +
              "."
      );
      return;
    }
    status("");
    request({ type: "check", choice });
  }

  function again(practice) {
    if (!token || pending) return;
    request({ type: "again", practice });
  }

  function showSummary(finished) {
    const figures = finished.summary || {};
    const missed = Array.isArray(figures.missedRows) ? figures.missedRows.map(String) : [];
    showEnded(!!finished.roundEnded);
    $("summary-right").textContent = String(Number(figures.rightAnswers) || 0);
    $("summary-wrong").textContent = String(Number(figures.wrongAnswers) || 0);
    $("summary-time").textContent = finished.time || shortDuration(figures.milliseconds);
    $("summary-missed-count").textContent = missed.length ? String(missed.length) : "няма";
    const list = $("summary-missed");
    list.replaceChildren(
      ...missed.map((row) => {
        const item = document.createElement("li");
        item.textContent = row;
        return item;
      })
    );
    list.hidden = missed.length === 0;
    $("summary-ended").hidden = !ended;
    $("practise").hidden = ended || missed.length === 0;
    $("new-round").hidden = ended;
    if (!summary.open) summary.showModal();
    (ended ? $("close") : missed.length ? $("practise") : $("new-round")).focus();
    say(finished.spoken);
  }

  // „45 с“, „3 мин 12 с“, „1 ч 5 мин“, as the window's summary shows a time.
  function shortDuration(milliseconds) {
    const seconds = Math.floor(Math.max(Number(milliseconds) || 0, 0) / 1000);
    const parts = [];
    if (seconds >= 3600) parts.push(Math.floor(seconds / 3600) + " ч");
    if (Math.floor(seconds / 60) % 60) parts.push((Math.floor(seconds / 60) % 60) + " мин");
    if (seconds % 60 || !parts.length) parts.push((seconds % 60) + " с");
    return parts.join(" ");
  }

  // --- start ----------------------------------------------------------------------------------

  $("join-form").addEventListener("submit", join);
  $("code").addEventListener("input", askNames);
  $("check").addEventListener("click", check);
  $("again").addEventListener("click", () => again(false));
  $("new-round").addEventListener("click", () => again(false));
  $("practise").addEventListener("click", () => again(true));
  $("close").addEventListener("click", () => summary.close());
  // Enter in a list checks the choice, as „Провери“ does: no need to go back to the button.
  for (const select of lists)
    select.addEventListener("keydown", (event) => {
      if (event.key === "Enter") {
        event.preventDefault();
        check();
      }
    });
  // A network back after an outage is tried at once.
  window.addEventListener("online", () => {
    if (!socket && (token || joining)) connect();
  });

  const code = new URLSearchParams(location.search).get("code") || "";
  $("code").value = /^\d{4}$/.test(code) ? code : "";
  $("name").value = saved("name");
  if (token) {
    $("join-status").textContent = "Свързване с учителя…";
    connect();
  } else {
    askNames();
    ($("code").value ? $("name") : $("code")).focus();
  }
})();
