// The browser page: reads the settings, runs the core's 50 ms ticks on the
// page's clock, puts the rectangles each tick presents on the canvas, plays the
// sounds through Web Audio and ends full screen on input as the saver ends.
// Appended to Emscripten's loader of the core (createBriselCore), which carries
// the core's WebAssembly inside it, so that the page also runs from a file.
(function () {
  'use strict';

  const kTickMs = 50;           // the animation's timer
  const kMaxTicksPerFrame = 4;  // a late frame makes up at most this many ticks
  const kStorageKey = 'brisel.settings';
  const kInt32Max = 2147483647;
  // The release this script belongs to: the service worker keeps a script only
  // when it says this, whatever type the server gave it.
  const kRelease = 'Brisel @PROJECT_VERSION@';

  // What a test reads back: the release, ticks run, whether a fixed run has
  // stopped, the sound requests of a fixed run as "tick,sound" lines, how many
  // times the animation started, whether it is paused, and why the page could
  // not start.
  // Published once the script has set the page up: index.html reads its absence
  // as a script that could not be loaded or run (in a browser too old for it).
  const page = { release: kRelease, ticks: 0, finished: false, sounds: [], starts: 0, paused: false, failure: null };

  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d', { alpha: false });
  const query = new URLSearchParams(location.search);

  let core = null;
  let settings = null;   // { sound, count, frequency }, bounded by the core
  let running = false;
  let due = 0;           // the page clock's time of the next tick

  // A whole number, written in decimal or stored as a number; otherwise null.
  function ReadInteger(value) {
    if (typeof value === 'number') return Number.isInteger(value) ? value : null;
    return typeof value === 'string' && /^[+-]?\d{1,20}$/.test(value) ? Number(value) : null;
  }

  // Numbers beyond 32 bits are held at the 32-bit limits, where the core's
  // bounds still see them as out of range.
  function ToInt32Range(value) {
    return Math.max(-kInt32Max - 1, Math.min(kInt32Max, value));
  }

  function BoundSettings(sound, count, frequency) {
    const at = core._BoundSettings(sound, count, frequency) >> 2;
    const [boundSound, boundCount, boundFrequency] = core.HEAP32.subarray(at, at + 3);
    return { sound: boundSound, count: boundCount, frequency: boundFrequency };
  }

  // The stored settings as an object, or an empty one: storage may be refused
  // (blocked, private mode) and the value may be anything a page or a person
  // left under the key.
  function ReadStoredSettings() {
    try {
      const stored = JSON.parse(window.localStorage.getItem(kStorageKey));
      return stored !== null && typeof stored === 'object' && !Array.isArray(stored) ? stored : {};
    } catch (error) {
      return {};
    }
  }

  // Stored settings, overridden by the query's; a key missing from both, or not
  // a whole number, reads as a missing profile key does (sound off, 10
  // molecules, frequency 0), before the core's bounds apply. Never throws: any
  // fault here leaves the animation running with those defaults.
  function LoadSettings() {
    try {
      const stored = ReadStoredSettings();
      const pick = (name, fallback) => {
        const fromQuery = ReadInteger(query.get(name));
        if (fromQuery !== null) return ToInt32Range(fromQuery);
        const fromStore = Object.prototype.hasOwnProperty.call(stored, name) ? ReadInteger(stored[name]) : null;
        return fromStore !== null ? ToInt32Range(fromStore) : fallback;
      };
      return BoundSettings(pick('sound', 0), pick('count', 10), pick('frequency', 0));
    } catch (error) {
      return BoundSettings(0, 10, 0);
    }
  }

  function StoreSettings() {
    try {
      localStorage.setItem(kStorageKey, JSON.stringify(settings));
    } catch (error) {
      // Storage refused (private mode, quota): the settings last this visit.
    }
  }

  // A fixed run: the query's seed and number of ticks, for comparisons with the
  // headless renderer.
  const querySeed = ReadInteger(query.get('seed'));
  const seed = querySeed !== null && querySeed >= 0 && querySeed <= 0xffffffff ? querySeed : null;
  const queryTicks = ReadInteger(query.get('ticks'));
  const fixedTicks = queryTicks !== null && queryTicks >= 0 ? queryTicks : null;

  // Starts the animation over on a black canvas of the window's size. Paused, it
  // shows the first tick's still frame.
  function Start() {
    const width = Math.max(0, Math.floor(window.innerWidth));
    const height = Math.max(0, Math.floor(window.innerHeight));
    canvas.width = width;
    canvas.height = height;
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    const runSeed = seed !== null ? seed : Math.floor(Date.now() / 1000) >>> 0;
    running = core._StartRun(width, height, settings.sound, settings.count, settings.frequency, runSeed) === 1;
    page.ticks = 0;
    page.sounds = [];
    page.finished = fixedTicks !== null && fixedTicks <= 0;
    page.starts += 1;
    due = performance.now() + kTickMs;
    if (running && page.paused && !page.finished) Tick();
  }

  function Tick() {
    const count = core._TickRun();
    const buffer = core.HEAPU8.buffer;
    const rects = new Int32Array(buffer, core._RectList(), count * 4);
    let at = core._PixelList();
    for (let i = 0; i < rects.length; i += 4) {
      const width = rects[i + 2];
      const height = rects[i + 3];
      const bytes = width * height * 4;
      const pixels = new ImageData(new Uint8ClampedArray(buffer, at, bytes), width, height);
      context.putImageData(pixels, rects[i], rects[i + 1]);
      at += bytes;
    }
    page.ticks += 1;
    const sounds = new Int32Array(buffer, core._SoundList(), core._SoundCount());
    for (const sound of sounds) {
      PlaySound(sound);
      if (fixedTicks !== null) page.sounds.push(page.ticks + ',' + sound);
    }
    if (fixedTicks !== null && page.ticks >= fixedTicks) page.finished = true;
  }

  function OnFrame(now) {
    window.requestAnimationFrame(OnFrame);
    if (!running || page.finished || page.paused || document.hidden) return;
    for (let made = 0; now >= due && made < kMaxTicksPerFrame && !page.finished; ++made) {
      Tick();
      due += kTickMs;
    }
    if (now >= due) due = now + kTickMs;  // further behind than the cap: not made up
  }

  // Sound. Browsers let a page start sound only after the user's first click or
  // key, so the output is made then; sounds asked for before are not played.
  let audio = null;
  const sounds = [];
  let playing = null;

  // An AudioBuffer of a PCM WAVE file of 8 or 16 bits, or null.
  function DecodeWave(bytes) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const tag = (at) => String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
    if (bytes.length < 12 || tag(0) !== 'RIFF' || tag(8) !== 'WAVE') return null;
    let format = null;
    for (let at = 12; at + 8 <= bytes.length;) {
      const size = view.getUint32(at + 4, true);
      const body = at + 8;
      if (size > bytes.length - body) return null;
      if (tag(at) === 'fmt ' && size >= 16) {
        format = { code: view.getUint16(body, true), channels: view.getUint16(body + 2, true),
                   rate: view.getUint32(body + 4, true), bits: view.getUint16(body + 14, true) };
      } else if (tag(at) === 'data' && format !== null) {
        if (format.code !== 1 || (format.bits !== 8 && format.bits !== 16) || format.channels < 1) return null;
        const step = (format.bits / 8) * format.channels;
        const frames = Math.floor(size / step);
        if (frames === 0) return null;
        const buffer = audio.createBuffer(format.channels, frames, format.rate);
        for (let c = 0; c < format.channels; ++c) {
          const samples = buffer.getChannelData(c);
          for (let i = 0; i < frames; ++i) {
            const at8 = body + i * step + c * (format.bits / 8);
            samples[i] = format.bits === 8 ? (bytes[at8] - 128) / 128 : view.getInt16(at8, true) / 32768;
          }
        }
        return buffer;
      }
      at = body + size + (size & 1);
    }
    return null;
  }

  function WakeSound() {
    if (audio === null && typeof AudioContext !== 'undefined') audio = new AudioContext();
  }

  // Sound `sound` decoded from the core's WAVE file on first use; null when the
  // browser cannot play it.
  function FindSound(sound) {
    if (!(sound in sounds)) {
      const at = core._SoundImage(sound);
      try {
        sounds[sound] = DecodeWave(core.HEAPU8.slice(at, at + core._SoundImageSize(sound)));
      } catch (error) {
        sounds[sound] = null;  // a rate or length the browser refuses
      }
    }
    return sounds[sound];
  }

  // A new sound cuts off the one playing, as on Windows.
  function PlaySound(sound) {
    if (audio === null || !FindSound(sound)) return;
    if (playing !== null) playing.stop();
    playing = audio.createBufferSource();
    playing.buffer = sounds[sound];
    playing.connect(audio.destination);
    playing.start();
  }

  // Full screen ends as the saver does: on a key, a click, or the pointer moving
  // further than the saver allows. The page learns where the pointer is only
  // when it moves, so the first position seen in full screen is the one the
  // travel is measured from (positions from before are in other coordinates:
  // the window itself moves).
  let anchor = null;

  function LeaveFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }

  function OnInput() {
    WakeSound();
    LeaveFullScreen();
  }

  // Whether Space does something of its own on `element`: typing in a text
  // control, pressing a button or ticking a box. A slider has no use for it.
  function TakesSpace(element) {
    if (element.isContentEditable) return true;
    const tag = element.tagName;
    return tag === 'TEXTAREA' || tag === 'SELECT' || tag === 'BUTTON' || tag === 'SUMMARY' ||
           (tag === 'INPUT' && element.type !== 'range');
  }

  // Space pauses and plays, once a press (the key's repeats do nothing), unless
  // the focused control takes Space itself; with Ctrl, Alt or Meta it is the
  // browser's. In full screen a key only ends it.
  function OnKeyDown(event) {
    const inFullScreen = Boolean(document.fullscreenElement);
    OnInput();
    if (inFullScreen || event.key !== ' ' || event.ctrlKey || event.altKey || event.metaKey ||
        TakesSpace(event.target) || core === null) {
      return;
    }
    event.preventDefault();  // nor does it scroll
    if (!event.repeat) SetPaused(!page.paused);
  }

  function OnPointerMove(event) {
    if (!document.fullscreenElement || core === null) return;
    const x = Math.round(event.clientX);
    const y = Math.round(event.clientY);
    if (anchor === null) anchor = { x, y };
    else if (core._PointerMovedFar(anchor.x, anchor.y, x, y)) LeaveFullScreen();
  }

  window.addEventListener('keydown', OnKeyDown);
  window.addEventListener('pointerdown', OnInput);
  window.addEventListener('pointermove', OnPointerMove);
  // Cleared on leaving rather than on entering: the change event of entering
  // may come after the first moves in full screen.
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement) anchor = null;
  });
  document.addEventListener('visibilitychange', () => {
    if (!document.hidden) due = performance.now() + kTickMs;  // a hidden tab owes nothing
  });
  window.addEventListener('resize', () => {
    if (core !== null) Start();
  });

  // Pause and play. An animation that starts by itself must be possible to
  // stop; one who asks for reduced motion gets a still frame until Play.
  const pauseButton = document.getElementById('pause');
  const reducedMotion = window.matchMedia ? window.matchMedia('(prefers-reduced-motion: reduce)') : null;
  page.paused = reducedMotion !== null && reducedMotion.matches;

  function SetPaused(paused) {
    page.paused = paused;
    pauseButton.textContent = paused ? 'Play' : 'Pause';
    if (!paused) due = performance.now() + kTickMs;  // a pause owes no ticks
  }

  SetPaused(page.paused);
  pauseButton.addEventListener('click', () => SetPaused(!page.paused));
  if (reducedMotion !== null && reducedMotion.addEventListener) {
    reducedMotion.addEventListener('change', () => {
      if (reducedMotion.matches) SetPaused(true);
    });
  }

  // The settings panel: the configuration dialog's three settings, usable once
  // the core has loaded.
  const panel = document.getElementById('panel');
  const settingsBox = document.getElementById('settings');
  const countInput = document.getElementById('count');
  const soundInput = document.getElementById('sound');
  const frequencyInput = document.getElementById('frequency');

  function ShowSettings() {
    countInput.value = settings.count;
    soundInput.checked = settings.sound > 0;
    frequencyInput.value = settings.frequency;
    ShowValues();
  }

  function ShowValues() {
    document.getElementById('count-value').textContent = countInput.value;
    document.getElementById('frequency-value').textContent = frequencyInput.value + ' %';
    const count = countInput.value;
    countInput.setAttribute('aria-valuetext', count + (count === '1' ? ' molecule' : ' molecules'));
    frequencyInput.setAttribute('aria-valuetext', frequencyInput.value + ' %');
  }

  // A slider moved by keys sends a change at every step: while a key is held on
  // it the settings are kept, and the animation starts over once the key is let
  // go (or the slider loses the focus), not at each step.
  let keyOnSlider = false;
  let startPending = false;

  function OnSettingsChanged() {
    settings = BoundSettings(soundInput.checked ? 1 : 0, Number(countInput.value), Number(frequencyInput.value));
    StoreSettings();
    ShowSettings();
    if (keyOnSlider) startPending = true;
    else Start();
  }

  function OnSliderKeyReleased() {
    keyOnSlider = false;
    if (startPending) {
      startPending = false;
      Start();
    }
  }

  for (const slider of [countInput, frequencyInput]) {
    slider.addEventListener('input', ShowValues);
    slider.addEventListener('keydown', () => { keyOnSlider = true; });
    slider.addEventListener('keyup', OnSliderKeyReleased);
    slider.addEventListener('blur', OnSliderKeyReleased);
  }
  for (const input of [countInput, soundInput, frequencyInput]) input.addEventListener('change', OnSettingsChanged);
  const fullScreenButton = document.getElementById('full-screen');
  fullScreenButton.hidden = !document.fullscreenEnabled;
  fullScreenButton.addEventListener('click', () => {
    document.documentElement.requestFullscreen().catch(() => {});
  });

  // Why the page could not start, in the page, with what to do about it.
  function ShowFailure(title, text) {
    page.failure = title;
    const message = document.getElementById('message');
    // DOM calls as old as the script's own needs: this runs in the browsers most
    // likely to fail.
    while (message.firstChild) message.removeChild(message.firstChild);
    const heading = message.appendChild(document.createElement('h1'));
    heading.textContent = title;
    for (const paragraph of text) message.appendChild(document.createElement('p')).textContent = paragraph;
    message.hidden = false;
    panel.hidden = true;  // nothing in it can work
  }

  // Served over http(s), the page can be installed as an app and kept for
  // offline use; opened from a file it has neither (the browser refuses both).
  function OfferInstall() {
    if (location.protocol !== 'http:' && location.protocol !== 'https:') return;
    const link = document.head.appendChild(document.createElement('link'));
    link.rel = 'manifest';
    link.href = 'manifest.json';
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('service-worker.js').catch(() => {
        // not kept for offline use; the page runs all the same
      });
    }
  }

  function OnCoreLoaded(loaded) {
    core = loaded;
    settings = LoadSettings();
    ShowSettings();
    settingsBox.disabled = false;
    pauseButton.disabled = false;
    Start();
    window.requestAnimationFrame(OnFrame);
  }

  function LoadCore() {
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
      ShowFailure('This browser cannot run Brisel', [
        'Brisel draws with WebAssembly, which this browser does not have or has turned off.',
        'Open the page in a current version of Firefox, Chrome, Edge or Safari, or allow WebAssembly ' +
        '(JavaScript optimisation) for it in the browser\'s security settings.']);
      return;
    }
    let reason = '';
    let loading;
    try {
      // The loader's own error lines carry the reason; the console gets none.
      loading = createBriselCore({ printErr: (text) => { reason = reason || String(text); } });
    } catch (error) {
      loading = Promise.reject(error);
    }
    loading.then(OnCoreLoaded, (error) => {
      ShowFailure('Brisel could not start', [
        'Its core, the WebAssembly inside brisel.js, could not be compiled: the file is damaged or incomplete.',
        location.protocol === 'file:' ? 'Download Brisel again, unzip the whole download and open index.html again.'
          : 'Reload the page; if that does not help, the site\'s copy of Brisel is damaged: try again later.',
        'Details: ' + (reason || String(error))]);
    });
  }

  OfferInstall();
  LoadCore();
  window.briselPage = page;
})();
