// Web Audio to what a player hands a visualization plug-in every frame: per
// channel 576 waveform bytes (the top byte of each 16-bit sample) and 576
// spectrum bars of 0..255. The analysers stand where a player's would: on the
// sound as it plays, left and right apart.
//
// Songs stream through an <audio> element, so a long file starts at once and
// is never held decoded in memory; the built-in tune is a buffer and the
// microphone a stream. One source feeds the analysers at a time.
class AudioFeed {
  constructor(element) {
    this.element = element;
    this.context = null;
    this.kind = '';           // 'song', 'tune', 'mic' or '' for silence
    this.node = null;         // the tune's buffer source
    this.stream = null;       // the microphone's, to be stopped
    this.startedAt = 0;       // context time when the tune or microphone began
    this.songIndex = 0;       // rises with every new song, so the engine fetches its title
    this.samples = new Float32Array(2048);
    this.decibels = new Float32Array(1024);
  }

  ensureContext() {
    if (this.context) return this.context;
    const ctx = new AudioContext();
    const split = ctx.createChannelSplitter(2);
    this.analysers = [0, 1].map((channel) => {
      const a = ctx.createAnalyser();
      a.fftSize = 2048;
      a.smoothingTimeConstant = 0;   // a player's bars are not smoothed
      a.minDecibels = -100;
      a.maxDecibels = 0;
      split.connect(a, channel);
      return a;
    });
    this.input = ctx.createGain();
    this.input.channelCount = 2;
    this.input.channelCountMode = 'explicit';  // a mono microphone feeds both channels
    this.input.channelInterpretation = 'speakers';
    this.input.connect(split);
    // The volume is the speakers': the picture sees the sound at full level.
    this.output = ctx.createGain();
    this.output.connect(ctx.destination);
    // An element can be wired to one source node in its life: this one stays.
    const song = ctx.createMediaElementSource(this.element);
    song.connect(this.input);
    song.connect(this.output);
    this.context = ctx;
    return ctx;
  }

  // Silences whatever plays; the element lets go of its file.
  stop() {
    if (this.node) {
      try { this.node.stop(); } catch (e) { /* never started */ }
      this.node.disconnect();
      this.node = null;
    }
    if (this.stream) {
      this.stream.getTracks().forEach((t) => t.stop());
      this.stream = null;
    }
    if (this.element.getAttribute('src')) {
      this.element.pause();
      this.element.removeAttribute('src');
      this.element.load();
    }
    this.kind = '';
  }

  // Starts streaming `url` from its beginning; the promise is the element's
  // play(), which a browser may refuse without a user gesture.
  playSong(url) {
    const ctx = this.ensureContext();
    this.stop();
    this.element.src = url;
    this.kind = 'song';
    this.songIndex += 1;
    ctx.resume();
    return this.element.play();
  }

  // The built-in tune, decoded already, looping.
  playBuffer(buffer) {
    const ctx = this.ensureContext();
    this.stop();
    const node = ctx.createBufferSource();
    node.buffer = buffer;
    node.loop = true;
    node.connect(this.input);
    node.connect(this.output);
    node.start();
    this.node = node;
    this.startedAt = ctx.currentTime;
    this.kind = 'tune';
    this.songIndex += 1;
    return ctx.resume();
  }

  // The microphone's stream, once the user allowed it.
  useStream(stream) {
    const ctx = this.ensureContext();
    this.stop();
    this.stream = stream;
    this.node = ctx.createMediaStreamSource(stream);
    this.node.connect(this.input);   // not to the speakers: no feedback
    this.startedAt = ctx.currentTime;
    this.kind = 'mic';
    this.songIndex += 1;
    return ctx.resume();
  }

  setVolume(fraction) {
    this.ensureContext();
    this.output.gain.value = fraction;
  }

  // The end of the playlist: no song, and the next one is new to the engine.
  finish() {
    this.stop();
    this.songIndex += 1;
  }

  positionMs() {
    if (this.kind === 'song') return Math.floor(this.element.currentTime * 1000);
    if (!this.context || this.kind === '') return 0;
    let seconds = this.context.currentTime - this.startedAt;
    // A looping tune starts over like a new play of the same song.
    if (this.kind === 'tune') seconds %= this.node.buffer.duration;
    return Math.max(0, Math.floor(seconds * 1000));
  }

  // Writes spectrum (2 x 576) then waveform (2 x 576) bytes at `out`.
  fill(out) {
    if (this.kind === '' || !this.context) {
      out.fill(0, 0, 2304);
      return;
    }
    for (let ch = 0; ch < 2; ++ch) {
      const a = this.analysers[ch];
      a.getFloatTimeDomainData(this.samples);
      const wave = 1152 + ch * 576;
      const first = this.samples.length - 576;   // the newest samples
      for (let i = 0; i < 576; ++i) {
        let s = Math.round(this.samples[first + i] * 32767);
        s = s > 32767 ? 32767 : s < -32768 ? -32768 : s;
        out[wave + i] = (s >> 8) & 255;
      }
      a.getFloatFrequencyData(this.decibels);
      const bars = ch * 576;
      for (let k = 0; k < 576; ++k) {
        // 0 dB is a full-scale sine's peak, as in velune-render's analyzer.
        const bar = (this.decibels[k] - AudioFeed.kSineDb + 72) * (255 / 72);
        out[bars + k] = bar > 0 ? (bar >= 255 ? 255 : bar | 0) : 0;
      }
    }
  }
}
// The analyser's level of a full-scale sine: half its amplitude times the
// Blackman window's mean of 0.42.
AudioFeed.kSineDb = 20 * Math.log10(0.5 * 0.42);
