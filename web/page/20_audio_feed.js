// Web Audio to what a player hands a visualization plug-in every frame: per
// channel 576 waveform bytes (the top byte of each 16-bit sample) and 576
// spectrum bars of 0..255. The analysers stand where a player's would: on the
// sound as it plays, left and right apart.
class AudioFeed {
  constructor() {
    this.context = null;
    this.source = null;       // the node now feeding the analysers
    this.stream = null;       // the microphone's, to be stopped
    this.startedAt = 0;       // context time when the song began
    this.songIndex = 0;       // rises with every new song, so the engine fetches its title
    this.live = false;
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
    this.context = ctx;
    return ctx;
  }

  stop() {
    if (this.source) {
      try { this.source.stop && this.source.stop(); } catch (e) { /* never started */ }
      this.source.disconnect();
      this.source = null;
    }
    if (this.stream) {
      this.stream.getTracks().forEach((t) => t.stop());
      this.stream = null;
    }
    this.live = false;
  }

  // Plays decoded audio from the start; `loop` for the built-in tune.
  play(buffer, loop) {
    const ctx = this.ensureContext();
    this.stop();
    const node = ctx.createBufferSource();
    node.buffer = buffer;
    node.loop = loop;
    node.connect(this.input);
    node.connect(ctx.destination);
    node.start();
    this.source = node;
    this.startedAt = ctx.currentTime;
    this.songIndex += 1;
    this.live = true;
    return ctx.resume();
  }

  async listen() {
    const ctx = this.ensureContext();
    const stream = await navigator.mediaDevices.getUserMedia({ audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false } });
    this.stop();
    this.stream = stream;
    this.source = ctx.createMediaStreamSource(stream);
    this.source.connect(this.input);   // not to the speakers: no feedback
    this.startedAt = ctx.currentTime;
    this.songIndex += 1;
    this.live = true;
    await ctx.resume();
  }

  positionMs() {
    if (!this.context || !this.live) return 0;
    let seconds = this.context.currentTime - this.startedAt;
    const b = this.source && this.source.buffer;
    // A looping tune starts over like a new play of the same song.
    if (b && this.source.loop) seconds %= b.duration;
    return Math.max(0, Math.floor(seconds * 1000));
  }

  // Writes spectrum (2 x 576) then waveform (2 x 576) bytes at `out`.
  fill(out) {
    if (!this.live) {
      out.fill(0, 0, 1152);
      out.fill(0, 1152, 2304);
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
