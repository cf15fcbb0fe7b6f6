// The page's controls: buttons, pickers and sliders, the keys, dropped
// files, full screen, the key list and the labels that follow the engine.
const VelunePage = (() => {
  const $ = (id) => document.getElementById(id);
  let M = null, songs = null, picture = null, seed = 0;
  const shown = { renderer: -2, transform: -2, rendererLocked: -1, transformLocked: -1, size: '' };
  let infoOn = false;

  const time = (s) => `${Math.floor(s / 60)}:${String(Math.floor(s % 60)).padStart(2, '0')}`;

  // The now-playing line, the transport's state and the position slider.
  function refreshSong() {
    const list = songs.playlist, e = songs.element, kind = songs.feed.kind;
    const where = kind === 'song' && list.songs.length > 1 ? `${list.index + 1}/${list.songs.length} · ` : '';
    $('now').textContent = songs.loading ? `Loading “${songs.title}”…`
      : songs.title ? `${where}${songs.title}` : list.songs.length ? 'The playlist has ended: Play starts it again' : 'No song';
    $('prev').disabled = !(kind === 'song' && list.hasPrevious());
    $('next').disabled = !(kind === 'song' && list.hasNext());
    $('play').disabled = kind === '' && !list.songs.length;
    $('play').textContent = songs.paused() ? 'Play' : 'Pause';
    const seekable = kind === 'song' && Number.isFinite(e.duration);
    const seek = $('seek');
    seek.disabled = !seekable;
    seek.max = seekable ? Math.floor(e.duration) : 0;
    if (!seek.matches(':active')) seek.value = seekable ? Math.floor(e.currentTime) : 0;
    seek.setAttribute('aria-valuetext', seekable ? `${time(e.currentTime)} of ${time(e.duration)}` : 'no song');
    $('time').textContent = seekable ? `${time(e.currentTime)} / ${time(e.duration)}` : '';
  }

  function fillPicker(select, count, name) {
    for (let i = 0; i < count; ++i) select.add(new Option(M.UTF8ToString(name(i)), String(i)));
  }

  // Called every frame: touches the page only when the engine's scene changed.
  function frame() {
    const now = {
      renderer: M._velune_renderer(), transform: M._velune_transform(),
      rendererLocked: M._velune_renderer_locked(), transformLocked: M._velune_transform_locked(),
      size: $('size').value,
    };
    if (Object.keys(now).every((k) => now[k] === shown[k])) return;
    Object.assign(shown, now);
    $('renderer').value = String(now.renderer);
    $('transform').value = String(now.transform);
    $('k118').setAttribute('aria-pressed', String(!!now.rendererLocked));
    $('k119').setAttribute('aria-pressed', String(!!now.transformLocked));
    $('share').href = SceneLink.make({ ...now, seed, size: /x/.test(now.size) ? now.size : '' });
  }

  function press(code) {
    if (!M._velune_key(code)) return;
    if (code === 115) $('k115').setAttribute('aria-pressed', String((infoOn = !infoOn)));
    frame();
  }

  function display(mode) {
    const on = !!document.fullscreenElement;
    const want = mode === 'toggle' ? !on : mode === 'full';
    if (want === on) return;
    if (!want) document.exitFullscreen();
    else if ($('stage').requestFullscreen) $('stage').requestFullscreen().catch((e) => songs.showError(`Full screen was refused: ${e.message}`));
    else songs.showError('This browser offers no full screen for pages.');
  }

  let helpReturn = null;
  function help(open) {
    const box = $('help');
    if (open === !box.hidden) return;
    box.hidden = !open;
    if (open) {
      helpReturn = document.activeElement;
      $('help-close').focus();
    } else if (helpReturn) {
      helpReturn.focus();
    }
  }

  function menu(open) {
    $('bar').classList.toggle('open', open);
    $('menu').setAttribute('aria-expanded', String(open));
  }

  function onKey(e) {
    if (e.key === 'Escape' && !$('help').hidden) {
      e.preventDefault();
      help(false);
      return;
    }
    if (e.key === 'Escape' && $('bar').classList.contains('open')) {
      menu(false);
      $('menu').focus();
      return;
    }
    const act = VeluneKeys.action(e);
    if (!act) return;
    e.preventDefault();   // F5 would reload, F1 open help, Space scroll
    if (act[0] === 'engine') press(act[1]);
    else if (act[0] === 'player') songs.command(act[1]);
    else if (act[0] === 'display') display(act[1]);
    else help($('help').hidden);
  }

  // Files dragged over any part of the page are taken where they fall.
  function wireDrop() {
    const hasFiles = (e) => e.dataTransfer && [...e.dataTransfer.types].includes('Files');
    const stage = $('stage');
    document.addEventListener('dragover', (e) => {
      if (!hasFiles(e)) return;
      e.preventDefault();
      e.dataTransfer.dropEffect = 'copy';
      stage.classList.add('dropping');
    });
    document.addEventListener('dragleave', (e) => { if (!e.relatedTarget) stage.classList.remove('dropping'); });
    document.addEventListener('drop', (e) => {
      stage.classList.remove('dropping');
      if (!hasFiles(e)) return;
      e.preventDefault();
      songs.feed.ensureContext().resume();
      songs.add(e.dataTransfer.files);
    });
  }

  function wire(page) {
    ({ M, picture, seed } = page);
    songs = new SongPlayer({ ...page, onChange: refreshSong });
    const wake = () => songs.feed.ensureContext().resume();   // sound may start only inside a gesture
    $('open').addEventListener('click', () => { wake(); $('file').click(); });
    $('file').addEventListener('change', (e) => {
      if (e.target.files && e.target.files.length) songs.add(e.target.files);
      e.target.value = '';
    });
    $('mic').addEventListener('click', () => songs.listen());
    $('tune').addEventListener('click', () => songs.playTune().catch((err) => songs.showError(`The tune could not play: ${err.message || err}`)));
    $('prev').addEventListener('click', () => songs.command('previous'));
    $('next').addEventListener('click', () => songs.command('next'));
    $('play').addEventListener('click', () => songs.command(songs.paused() ? 'play' : 'pause'));
    $('seek').addEventListener('input', (e) => { songs.element.currentTime = Number(e.target.value); });
    $('volume').addEventListener('input', (e) => songs.feed.setVolume(Number(e.target.value) / 100));
    for (const code of [32, 115, 116, 117, 118, 119]) $(`k${code}`).addEventListener('click', () => press(code));
    fillPicker($('renderer'), M._velune_renderer_count(), M._velune_renderer_name);
    fillPicker($('transform'), M._velune_transform_count(), M._velune_transform_name);
    $('renderer').addEventListener('change', (e) => { M._velune_pick_renderer(Number(e.target.value)); frame(); });
    $('transform').addEventListener('change', (e) => { M._velune_pick_transform(Number(e.target.value)); frame(); });
    $('size').addEventListener('change', VelunePage.applySize);
    $('full').addEventListener('click', () => display('toggle'));
    $('keys').addEventListener('click', () => help(true));
    $('help-close').addEventListener('click', () => help(false));
    $('menu').addEventListener('click', () => menu(!$('bar').classList.contains('open')));
    $('share').target = '_blank';
    $('share').rel = 'noopener';
    window.addEventListener('keydown', onKey);
    wireDrop();
    let pending = 0;
    const relayout = () => {
      clearTimeout(pending);
      pending = setTimeout(() => ($('size').value === 'window' ? VelunePage.applySize() : picture.layout()), 100);
    };
    // The stage changes size with the window and with the toolbar's rows.
    new ResizeObserver(relayout).observe($('stage'));
    document.addEventListener('fullscreenchange', () => {
      $('full').textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
      if (document.fullscreenElement) $('picture').focus();
      relayout();
    });
    refreshSong();
    frame();
  }

  return { wire, frame: () => M && frame(), applySize: null };
})();
