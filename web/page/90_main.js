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
  const feed = new AudioFeed($('song'));
  const playlist = new Playlist();
  let M = null;
  let running = false;

  picture.bare = A.bare;
  if (A.bare) document.body.classList.add('bare');
  else if (A.deterministic) document.body.classList.add('replay');
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
    if (location.protocol === 'file:') {
      showError('Velune must be served by a web server; opened from disk, the page may not load its engine. ' +
        'Run “make web-demo” in the source folder and open http://localhost:8020/ (or serve build/web/ with any web server).');
    } else {
      showError(`Velune's engine could not be loaded: ${e && e.message ? e.message : e}. Reload the page to try again.`);
    }
  });

  function start(module) {
    M = module;
    if (A.deterministic) return startDeterministic();
    const link = SceneLink.read();
    const seed = link.seedGiven ? A.seed : (Date.now() % 2147483647) | 0;
    if (!A.sizeGiven) rememberedSize();
    const [w, h] = A.sizeGiven ? [A.width, A.height] : chosenSize();
    if (A.sizeGiven) addSizeOption(w, h);
    if (!M._velune_start(w, h, A.renderer, A.transform, seed, A.sceneFrames, 0)) {
      showError(`There is not enough memory for a ${w} × ${h} picture.`);
      return;
    }
    M._velune_unlock(link.unlockRenderer, link.unlockTransform);
    running = true;
    veluneStatus.state = 'running';
    picture.attach(M, w, h);
    VelunePage.wire({ M, A, picture, feed, playlist, seed, showError, clearError });
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
    const command = ['velune-render', A.renderer >= 0 ? `--renderer ${A.renderer}` : '',
      A.transform >= 0 ? `--transform ${A.transform}` : '', `--seed ${A.seed} --size ${A.width}x${A.height}`,
      `--frames ${A.frames}`].filter(Boolean).join(' ');
    const step = () => {
      M._velune_frame();
      veluneStatus.frames += 1;
      picture.draw(null, null);
      if (!A.bare) $('now').textContent = `Replaying ${command}: frame ${veluneStatus.frames} of ${A.frames}`;
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
    VelunePage.frame();
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

  VelunePage.applySize = () => {
    try { localStorage.setItem('velune.size', $('size').value); } catch (e) { /* storage may be off */ }
    const [w, h] = chosenSize();
    if (w === M._velune_width() && h === M._velune_height()) return picture.layout();
    if (!M._velune_resize(w, h)) showError(`There is not enough memory for a ${w} × ${h} picture.`);
    picture.attach(M, M._velune_width(), M._velune_height());
  };
})();
