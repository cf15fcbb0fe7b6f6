// The page as a player: it loads the engine, feeds it one frame of sound per
// animation frame (at most 60 a second), shows its pixels and passes the
// display window's keys on.
// window.veluneStatus lets tests and benchmarks read where the run stands.
const veluneStatus = { state: 'loading', frames: 0, error: '', frameMs: 0, positionMs: 0 };
window.veluneStatus = veluneStatus;

// A module with one SIMD instruction: valid only where simd128 runs.
function hasWasmSimd() {
  const probe = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0,
    65, 0, 253, 15, 253, 98, 11]);
  return typeof WebAssembly === 'object' && WebAssembly.validate(probe);
}

(() => {
  const A = VeluneAddress;
  const $ = (id) => document.getElementById(id);
  const picture = new Picture($('picture'), $('stage'));
  const feed = new AudioFeed();
  let M = null;
  let running = false;
  let title = '';

  picture.bare = A.bare;
  if (A.bare) document.body.classList.add('bare');
  picture.canvas.width = A.width;
  picture.canvas.height = A.height;
  picture.layout();

  function showError(text) {
    veluneStatus.error = text;
    const box = $('error');
    box.textContent = text;
    box.hidden = false;
    if (!running) picture.notice(text);
  }
  function clearError() { $('error').hidden = true; veluneStatus.error = ''; }

  if (!hasWasmSimd()) {
    veluneStatus.state = 'failed';
    showError('This browser cannot run WebAssembly SIMD, which Velune needs. ' +
      'Current Chrome, Edge, Firefox and Safari all can: please update the browser or try another.');
    return;
  }

  if (A.errors.length > 0) {
    veluneStatus.state = 'failed';
    showError(`This address cannot be played: ${A.errors.join('; ')}.`);
    return;
  }

  createVelune().then(start, (e) => {
    veluneStatus.state = 'failed';
    showError(`Velune could not start in this browser: ${e && e.message ? e.message : e}`);
  });

  function start(module) {
    M = module;
    if (A.deterministic) return startDeterministic();
    const seed = (Date.now() % 2147483647) | 0;
    if (!A.sizeGiven) rememberedSize();
    const [w, h] = A.sizeGiven ? [A.width, A.height] : chosenSize();
    if (A.sizeGiven) addSizeOption(w, h);
    if (!M._velune_start(w, h, A.renderer, A.transform, seed, A.sceneFrames, 0)) {
      showError(`There is not enough memory for a ${w} × ${h} picture.`);
      return;
    }
    running = true;
    veluneStatus.state = 'running';
    picture.attach(M, w, h);
    wireControls();
    requestAnimationFrame(liveFrame);
  }

  // velune-render's frames, one per animation frame, ending on frame N; with
  // bench=1 all at once, timing the engine alone.
  function startDeterministic() {
    if (!M._velune_start(A.width, A.height, A.renderer, A.transform, A.seed, A.sceneFrames, A.frames)) {
      showError(`There is not enough memory for a ${A.width} × ${A.height} picture.`);
      return;
    }
    running = true;
    picture.attach(M, A.width, A.height);
    veluneStatus.state = 'running';
    if (A.bench) {
      let spent = 0;
      for (let i = 0; i < A.frames; ++i) {
        const t0 = performance.now();
        M._velune_frame();
        spent += performance.now() - t0;
      }
      veluneStatus.frames = A.frames;
      veluneStatus.frameMs = spent / A.frames;
      picture.draw(null, null);
      veluneStatus.state = 'done';
      return;
    }
    const step = () => {
      M._velune_frame();
      veluneStatus.frames += 1;
      picture.draw(null, null);
      if (veluneStatus.frames < A.frames) requestAnimationFrame(step);
      else veluneStatus.state = 'done';
    };
    requestAnimationFrame(step);
  }

  let last = -1e9;
  let audioView = null;
  function liveFrame(now) {
    requestAnimationFrame(liveFrame);
    // At most 60 engine frames a second, also on faster screens; a little
    // slack keeps a 60 Hz screen from skipping frames on timer jitter.
    if (now - last < 1000 / 60 - 2) return;
    last = now;
    if (!audioView || audioView.buffer !== M.HEAPU8.buffer) {
      audioView = M.HEAPU8.subarray(M._velune_audio(), M._velune_audio() + 2304);
    }
    feed.fill(audioView);
    veluneStatus.positionMs = feed.positionMs();
    M._velune_set_position(veluneStatus.positionMs, feed.songIndex);
    const t0 = performance.now();
    M._velune_frame();
    veluneStatus.frameMs = performance.now() - t0;
    veluneStatus.frames += 1;
    picture.attach(M, M._velune_width(), M._velune_height());
    const info = M._velune_info(performance.now(), picture.canvas.width, picture.canvas.height);
    const message = M._velune_message();
    picture.draw(info ? M.UTF8ToString(info) : null, message ? M.UTF8ToString(message) : null);
    updateLabels();
  }

  // The names are the engine's constant strings: their addresses tell when
  // the label needs new text, so a frame builds none.
  const labelled = { renderer: 0, transform: 0, title: null };
  function updateLabels() {
    const r = M._velune_renderer_name(), t = M._velune_transform_name();
    if (r === labelled.renderer && t === labelled.transform && title === labelled.title) return;
    labelled.renderer = r;
    labelled.transform = t;
    labelled.title = title;
    refreshLabels();
  }
  function refreshLabels() {
    const r = labelled.renderer, t = labelled.transform;
    $('now').textContent = `${title || 'No song'} · ${M.UTF8ToString(r)} · ${M.UTF8ToString(t)}`;
    $('k118').setAttribute('aria-pressed', String(!!M._velune_renderer_locked()));
    $('k119').setAttribute('aria-pressed', String(!!M._velune_transform_locked()));
  }

  function setSong(name) {
    title = name;
    M.stringToUTF8(name, M._velune_title(), 256);
  }

  // --- sources
  async function playFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const ctx = feed.ensureContext();
    let buffer;
    try {
      buffer = await ctx.decodeAudioData(bytes.buffer.slice(0));
    } catch (e) {
      showError(`“${file.name}” could not be played: this browser cannot decode it. Try an MP3, Ogg, FLAC or WAV file.`);
      return;
    }
    clearError();
    setSong(titleFromTags(bytes) || titleFromFileName(file.name));
    await feed.play(buffer, false);
  }

  async function playTune() {
    const ctx = feed.ensureContext();
    const seconds = 32;
    const ptr = M._velune_make_tune(feed.songIndex % 3, seconds, 7) >> 1;
    const frames = M._velune_tune_frames();
    const pcm = M.HEAP16.subarray(ptr, ptr + 2 * frames);
    const buffer = ctx.createBuffer(2, frames, 44100);
    const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    for (let i = 0; i < frames; ++i) {
      left[i] = pcm[2 * i] / 32768;
      right[i] = pcm[2 * i + 1] / 32768;
    }
    clearError();
    setSong(`Velune Tune ${(feed.songIndex % 3) + 1}`);
    await feed.play(buffer, true);
  }

  async function useMicrophone() {
    try {
      await feed.listen();
    } catch (e) {
      const denied = e && (e.name === 'NotAllowedError' || e.name === 'SecurityError');
      const missing = e && (e.name === 'NotFoundError' || e.name === 'OverconstrainedError');
      showError(denied ? 'The microphone was not allowed. Allow it in the address bar\'s site settings, then press Microphone again.'
        : missing ? 'No microphone was found.'
          : `The microphone could not be opened: ${e && e.message ? e.message : e}`);
      return;
    }
    clearError();
    setSong('Microphone');
  }

  // --- keys, buttons, size, full screen
  const keyCodes = { Space: 32, F4: 115, F5: 116, F6: 117, F7: 118, F8: 119, F9: 120 };

  function press(code) {
    if (M._velune_key(code) && labelled.renderer) refreshLabels();
  }

  // The size choice outlives the page, as the plug-in keeps its resolution.
  function rememberedSize() {
    try {
      const v = localStorage.getItem('velune.size');
      if (v && [...$('size').options].some((o) => o.value === v)) $('size').value = v;
    } catch (e) { /* storage may be off */ }
  }

  function chosenSize() {
    const v = $('size').value;
    if (v === 'window') return picture.fitSize();
    const m = /^(\d+)x(\d+)$/.exec(v);
    return [Number(m[1]), Number(m[2])];
  }

  function addSizeOption(w, h) {
    const value = `${w}x${h}`;
    const select = $('size');
    if (![...select.options].some((o) => o.value === value)) select.add(new Option(`${w} × ${h}`, value), 0);
    select.value = value;
  }

  function applySize() {
    try { localStorage.setItem('velune.size', $('size').value); } catch (e) { /* storage may be off */ }
    const [w, h] = chosenSize();
    if (w === M._velune_width() && h === M._velune_height()) return picture.layout();
    if (!M._velune_resize(w, h)) showError(`There is not enough memory for a ${w} × ${h} picture.`);
    picture.attach(M, M._velune_width(), M._velune_height());
  }

  function wireControls() {
    // The sound may start only inside the user's gesture; decoding comes later.
    const wake = () => feed.ensureContext().resume();
    $('file').addEventListener('click', wake);
    $('file').addEventListener('change', (e) => {
      const f = e.target.files && e.target.files[0];
      if (f) playFile(f).catch((err) => showError(`The file could not be read: ${err.message || err}`));
      e.target.value = '';
    });
    $('mic').addEventListener('click', useMicrophone);
    $('tune').addEventListener('click', () => playTune().catch((err) => showError(`The tune could not play: ${err.message || err}`)));
    for (const code of Object.values(keyCodes)) {
      const b = $(`k${code}`);
      if (b) b.addEventListener('click', () => press(code));
    }
    window.addEventListener('keydown', (e) => {
      const code = keyCodes[e.code];
      if (code === undefined || e.ctrlKey || e.metaKey || e.altKey) return;
      if (e.target instanceof HTMLSelectElement || e.target instanceof HTMLInputElement) return;
      e.preventDefault();   // F5 would reload, Space would scroll or press a button
      press(code);
    });
    $('size').addEventListener('change', applySize);
    $('full').addEventListener('click', () => {
      if (document.fullscreenElement) document.exitFullscreen();
      else if ($('stage').requestFullscreen) $('stage').requestFullscreen().catch((e) => showError(`Full screen was refused: ${e.message}`));
      else showError('This browser offers no full screen for pages.');
    });
    let pending = 0;
    const relayout = () => {
      clearTimeout(pending);
      pending = setTimeout(() => ($('size').value === 'window' ? applySize() : picture.layout()), 100);
    };
    window.addEventListener('resize', relayout);
    document.addEventListener('fullscreenchange', relayout);
  }
})();
