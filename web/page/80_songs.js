// The page's sound as a player runs it: the playlist played in order through
// the <audio> element, pause, seek, stop and volume, the microphone and the
// built-in tune. Whatever the user chose last plays; answers that arrive late
// for an earlier choice (tags, play() promises, errors) are dropped.
class SongPlayer {
  constructor({ M, feed, playlist, showError, clearError, onChange }) {
    Object.assign(this, { M, feed, playlist, showError, clearError, onChange });
    this.element = feed.element;
    this.choice = 0;        // rises with every choice of sound
    this.url = '';          // the object URL the element plays
    this.title = '';
    this.loading = false;
    this.heldBack = false;  // the browser refused to start the sound without a gesture
    const e = this.element;
    e.addEventListener('playing', () => {
      if (this.heldBack) this.clearError();
      this.heldBack = false;
      this.loading = false;
      this.onChange();
    });
    e.addEventListener('ended', () => this.playAt(this.playlist.index + 1));
    e.addEventListener('error', () => this.failed());
    for (const type of ['pause', 'play', 'durationchange', 'timeupdate', 'emptied']) e.addEventListener(type, () => this.onChange());
  }

  // Files chosen or dropped become the playlist; the first of them plays now.
  add(files) {
    const audio = [...files].filter((f) => /^(audio|video)\//.test(f.type) || /\.(mp3|ogg|oga|opus|flac|wav|m4a|aac|webm|mp4)$/i.test(f.name));
    if (!audio.length) {
      this.showError('None of those files is a song: choose MP3, Ogg, Opus, FLAC, WAV or M4A files.');
      return;
    }
    this.playlist.replace(audio);
    this.playAt(0);
  }

  // The tags are read before the song starts, so the engine, which takes
  // the title when a song begins, gets the real one. After a song that
  // failed, its message stays while the next one plays.
  async playAt(index, keepError = false) {
    const mine = ++this.choice;
    const song = this.playlist.moveTo(index);
    this.release();
    if (!song) {
      this.feed.finish();
      this.setTitle('');
      return;
    }
    if (!keepError) this.clearError();
    this.feed.stop();
    this.loading = true;
    this.setTitle(song.title);
    const title = await SongTags.title(song.file);
    if (mine !== this.choice) return;
    song.title = title;
    this.url = URL.createObjectURL(song.file);
    this.setTitle(title);
    this.feed.playSong(this.url).catch((err) => {
      if (mine !== this.choice || err.name === 'AbortError') return;
      this.loading = false;
      this.heldBack = err.name === 'NotAllowedError';
      if (this.heldBack) this.showError('The browser held the sound back until you press a key or button: press Play.');
      this.onChange();
    });
  }

  failed() {
    const song = this.playlist.current();
    if (!song || this.feed.kind !== 'song' || this.element.currentSrc !== this.url) return;
    this.showError(`“${song.file.name}” could not be played: this browser cannot decode it. Try an MP3, Ogg, FLAC or WAV file.`);
    this.playAt(this.playlist.index + 1, true);
  }

  release() {
    if (this.url) URL.revokeObjectURL(this.url);
    this.url = '';
    this.loading = false;
  }

  setTitle(name) {
    this.title = name;
    this.M.stringToUTF8(name, this.M._velune_title(), 256);
    document.title = name ? `${name} · Velune` : 'Velune';
    this.onChange();
  }

  // The player's commands, as its keys and the page's buttons give them.
  command(name) {
    const e = this.element, kind = this.feed.kind;
    if (name === 'next' || name === 'previous') {
      const to = this.playlist.index + (name === 'next' ? 1 : -1);
      if (to >= 0 && to < this.playlist.songs.length) this.playAt(to);
    } else if (name === 'play') {
      if (kind === 'song') this.resume();
      else if (kind === '' && this.playlist.songs.length) this.playAt(Math.max(0, this.playlist.index));
      else if (this.feed.context) this.feed.context.resume();
    } else if (name === 'pause') {
      if (kind === 'song') {
        if (e.paused) this.resume(); else e.pause();
      } else if (this.feed.context && kind !== '') {
        if (this.feed.context.state === 'running') this.feed.context.suspend(); else this.feed.context.resume();
        setTimeout(() => this.onChange(), 50);
      }
    } else if (name === 'stop' && kind === 'song') {
      e.pause();
      e.currentTime = 0;
    }
  }

  // Inside the user's gesture, which a browser may have required since the
  // song was chosen (a dropped file is no gesture).
  resume() {
    this.feed.context.resume();
    this.element.play().catch(() => {});
  }

  paused() {
    if (this.feed.kind === 'song') return this.element.paused;
    return !this.feed.context || this.feed.context.state !== 'running' || this.feed.kind === '';
  }

  async playTune() {
    const ctx = this.feed.ensureContext();
    const M = this.M;
    const variant = this.feed.songIndex % 3;
    const ptr = M._velune_make_tune(variant, 32, 7) >> 1;
    const frames = M._velune_tune_frames();
    const pcm = M.HEAP16.subarray(ptr, ptr + 2 * frames);
    const buffer = ctx.createBuffer(2, frames, 44100);
    const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    for (let i = 0; i < frames; ++i) {
      left[i] = pcm[2 * i] / 32768;
      right[i] = pcm[2 * i + 1] / 32768;
    }
    ++this.choice;
    this.release();
    this.clearError();
    await this.feed.playBuffer(buffer);
    this.setTitle(`Velune Tune ${variant + 1}`);
  }

  async listen() {
    const mine = ++this.choice;
    this.feed.ensureContext().resume();
    let stream;
    try {
      stream = await navigator.mediaDevices.getUserMedia({ audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false } });
    } catch (e) {
      if (mine !== this.choice) return;
      const denied = e && (e.name === 'NotAllowedError' || e.name === 'SecurityError');
      const missing = e && (e.name === 'NotFoundError' || e.name === 'OverconstrainedError');
      this.showError(denied ? 'The microphone was not allowed. Allow it in the address bar\'s site settings, then press Microphone again.'
        : missing ? 'No microphone was found.'
          : `The microphone could not be opened: ${e && e.message ? e.message : e}`);
      return;
    }
    if (mine !== this.choice) {
      stream.getTracks().forEach((t) => t.stop());
      return;
    }
    this.release();
    this.clearError();
    await this.feed.useStream(stream);
    this.setTitle('Microphone');
  }
}
