'use strict';
// The browser remote: sends each tap as the key or control it stands for and shows the state Padora
// pushes. Padora is the only source of truth: nothing here changes colour until Padora says so.
(() => {
  const kChannels = 10;
  const kRetryMs = 1000;
  const body = document.body;
  const padsBox = document.getElementById('pads');
  const tabsBox = document.getElementById('tabs');
  const master = document.getElementById('master');
  const stopKey = document.getElementById('stopkey');
  const notice = document.getElementById('notice');
  let socket = null;
  let state = null;
  let dragging = null; // the slider under the finger: not moved by the state until let go

  const strips = [];
  for (let i = 0; i < kChannels; ++i) {
    const strip = document.createElement('div');
    strip.className = 'strip';
    const pad = document.createElement('button');
    pad.className = 'pad';
    pad.id = 'pad' + (i + 1);
    pad.dataset.state = '-1';
    pad.innerHTML = '<span class="key"></span><span class="title"></span><span class="time"></span>';
    pad.querySelector('.key').textContent = String((i + 1) % 10);
    const meter = document.createElement('div');
    meter.className = 'meter';
    meter.appendChild(document.createElement('div'));
    const volume = document.createElement('input');
    volume.type = 'range';
    volume.min = '0';
    volume.max = '100';
    volume.id = 'volume' + (i + 1);
    volume.setAttribute('aria-label', body.dataset.textVolume + ' ' + (i + 1));
    strip.append(pad, meter, volume);
    padsBox.appendChild(strip);
    // At the touch, not at the click that follows it.
    pad.addEventListener('pointerdown', (e) => { e.preventDefault(); send({do: 'pad', n: i}); });
    pad.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); send({do: 'pad', n: i}); }
    });
    slider(volume, (v) => send({do: 'volume', n: i, value: v}));
    strips.push({pad, title: pad.querySelector('.title'), time: pad.querySelector('.time'),
                 meter: meter.firstChild, volume});
  }

  function slider(input, changed) {
    input.addEventListener('input', () => changed(Number(input.value)));
    input.addEventListener('pointerdown', () => { dragging = input; });
    const release = () => { if (dragging === input) dragging = null; };
    input.addEventListener('pointerup', release);
    input.addEventListener('pointercancel', release);
    input.addEventListener('change', release);
  }
  slider(master, (v) => send({do: 'master', value: v}));

  function tap(id, message) {
    const el = document.getElementById(id);
    el.addEventListener('pointerdown', (e) => { e.preventDefault(); send(message()); });
    el.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); send(message()); }
    });
  }
  tap('allstop', () => ({do: 'allstop'}));
  tap('prev', () => ({do: 'prev'}));
  tap('next', () => ({do: 'next'}));
  // The stop key stays held until it is tapped again.
  tap('stopkey', () => ({do: 'stopkey', on: !(state && state.stopKey)}));

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN)
      socket.send(JSON.stringify(message));
  }

  function showTabs(s) {
    const buttons = tabsBox.children;
    if (buttons.length !== s.tabs.length ||
        s.tabs.some((name, g) => buttons[g].dataset.name !== name)) {
      tabsBox.textContent = '';
      s.tabs.forEach((name, g) => {
        const b = document.createElement('button');
        b.dataset.name = name;
        b.textContent = name;
        b.addEventListener('pointerdown', (e) => { e.preventDefault(); send({do: 'group', n: g}); });
        tabsBox.appendChild(b);
      });
    }
    Array.from(tabsBox.children).forEach((b, g) => {
      const current = g === s.group;
      if (current && !b.classList.contains('current'))
        b.scrollIntoView({block: 'nearest', inline: 'nearest'});
      b.classList.toggle('current', current);
    });
  }

  function show(s) {
    state = s;
    window.padoraState = s; // for the tests that read what the page was told
    showTabs(s);
    notice.hidden = s.group >= 0;
    notice.textContent = s.group >= 0 ? '' : body.dataset.textNoGroup;
    const span = -s.meterFloor || 1;
    s.pads.forEach((p, i) => {
      const st = strips[i];
      st.pad.dataset.state = String(p.state);
      st.title.textContent = p.title;
      st.time.textContent = p.time;
      st.meter.style.width = Math.max(0, Math.min(100, (p.meter - s.meterFloor) * 100 / span)) + '%';
      if (dragging !== st.volume)
        st.volume.value = String(p.volume);
    });
    if (dragging !== master)
      master.value = String(s.master);
    stopKey.setAttribute('aria-pressed', s.stopKey ? 'true' : 'false');
    body.classList.toggle('busy', s.busy);
    document.getElementById('busy').hidden = !s.busy;
  }

  function connect() {
    socket = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/ws');
    socket.onopen = () => { document.getElementById('offline').hidden = true; };
    socket.onmessage = (e) => {
      try { show(JSON.parse(e.data)); } catch (err) { /* a broken message waits for the next */ }
    };
    socket.onclose = () => {
      socket = null;
      document.getElementById('offline').hidden = false;
      // Refused for want of a token (revoked, or Padora started anew): back to pairing.
      fetch('/', {method: 'HEAD', cache: 'no-store'})
        .then((r) => { if (r.status === 403) location.reload(); else setTimeout(connect, kRetryMs); })
        .catch(() => setTimeout(connect, kRetryMs));
    };
  }
  connect();
})();
