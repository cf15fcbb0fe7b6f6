// The canvas: the engine's RGBA frame put as it is, the text overlays drawn
// over it like the DLL's GDI text over its compose surface, and its size on
// the page.
class Picture {
  constructor(canvas, stage) {
    this.canvas = canvas;
    this.stage = stage;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.image = null;
    this.bare = false;
  }

  // A view of the engine's RGBA buffer; rebuilt only when the size or the
  // module's memory changes, never per frame.
  attach(module, width, height) {
    const heap = module.HEAPU8;
    const ptr = module._velune_rgba();
    if (this.image && this.heap === heap.buffer && this.ptr === ptr &&
        this.image.width === width && this.image.height === height) return;
    this.heap = heap.buffer;
    this.ptr = ptr;
    this.image = new ImageData(new Uint8ClampedArray(heap.buffer, ptr, width * height * 4), width, height);
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
    }
    this.layout();
  }

  draw(info, message) {
    const ctx = this.ctx;
    ctx.putImageData(this.image, 0, 0);
    if (info === null && message === null) return;
    // The plug-in's 10-pixel text and places, grown with the picture so they
    // stay readable on a large frame or a picture shown shrunk.
    const s = this.textScale();
    ctx.font = `${10 * s}px Arial, sans-serif`;
    ctx.textBaseline = 'top';
    if (info !== null) {
      const lines = info.split('\n');
      for (let i = 0; i < lines.length; ++i) this.shadowText(lines[i], 20 * s, (30 + 10 * i) * s, s);
    }
    if (message !== null) this.shadowText(message, 30 * s, this.canvas.height - 20 * s, s);
  }

  textScale() {
    const shown = this.canvas.clientHeight * (window.devicePixelRatio || 1) / this.canvas.height;
    return Math.max(1, this.canvas.height / 480, shown > 0 ? 1 / shown : 1);
  }

  shadowText(text, x, y, s) {
    this.ctx.fillStyle = '#000';
    this.ctx.fillText(text, x + s, y + s);
    this.ctx.fillStyle = '#fff';
    this.ctx.fillText(text, x, y);
  }

  // A notice in place of the picture, so an error never leaves it blank.
  notice(text) {
    const ctx = this.ctx;
    const w = this.canvas.width, h = this.canvas.height;
    ctx.fillStyle = '#181818';
    ctx.fillRect(0, 0, w, h);
    ctx.fillStyle = '#eee';
    ctx.font = `${Math.max(12, Math.round(w / 40))}px system-ui, sans-serif`;
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    const words = text.split(' ');
    const lines = [];
    let line = '';
    for (const word of words) {
      const next = line ? `${line} ${word}` : word;
      if (ctx.measureText(next).width > w * 0.85 && line) { lines.push(line); line = word; } else line = next;
    }
    lines.push(line);
    const step = Math.round(w / 30);
    lines.forEach((l, i) => ctx.fillText(l, w / 2, h / 2 + (i - (lines.length - 1) / 2) * step));
    ctx.textAlign = 'start';
  }

  // As large as the stage allows, keeping the aspect ratio; at a whole
  // multiple every engine pixel is a sharp block, between them it is smoothed
  // rather than drawn as blocks of uneven size.
  layout() {
    const w = this.canvas.width, h = this.canvas.height;
    if (this.bare) {
      this.canvas.style.width = `${w}px`;
      this.canvas.style.height = `${h}px`;
      return;
    }
    const dpr = window.devicePixelRatio || 1;
    const scale = Math.min((this.stage.clientWidth * dpr) / w, (this.stage.clientHeight * dpr) / h);
    if (!(scale > 0)) return;
    this.canvas.style.width = `${(w * scale) / dpr}px`;
    this.canvas.style.height = `${(h * scale) / dpr}px`;
    this.canvas.style.imageRendering = Number.isInteger(scale) ? 'pixelated' : 'auto';
  }

  // The stage's size in device pixels, for "Fit the window".
  fitSize() {
    const dpr = window.devicePixelRatio || 1;
    const w = Math.max(2, Math.floor((this.stage.clientWidth * dpr) / 2) * 2);
    const h = Math.max(2, Math.floor((this.stage.clientHeight * dpr) / 2) * 2);
    return [Math.min(w, 8192), Math.min(h, 8192)];
  }
}
