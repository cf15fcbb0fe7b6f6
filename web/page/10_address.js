// What the address asks for. A run with frames=N and audio=generated is the
// deterministic one: velune-render's generated songs, a fixed seed, and a stop
// after frame N, so the canvas holds that tool's last PNG.
// A value the page cannot take is named in `errors`, as velune-render names a
// bad option, instead of quietly becoming a default: a replay that shows
// something else than it was asked for is worse than none.
const VeluneAddress = (() => {
  const q = new URLSearchParams(location.search);
  const errors = [];
  const bad = (name, text) => errors.push(`bad value for ${name}: ${text === '' ? '(empty)' : text}`);
  const int = (name, fallback, low, high) => {
    if (!q.has(name)) return fallback;
    const text = q.get(name);
    const v = /^-?\d+$/.test(text) ? Number(text) : NaN;
    if (v >= low && v <= high) return v;
    bad(name, text);
    return fallback;
  };
  let width = 640;
  let height = 480;
  let sizeGiven = false;
  if (q.has('size')) {
    const size = /^(\d+)x(\d+)$/.exec(q.get('size'));
    const w = size ? Number(size[1]) : 0;
    const h = size ? Number(size[2]) : 0;
    sizeGiven = w >= 1 && h >= 1 && w <= 8192 && h <= 8192;
    if (sizeGiven) [width, height] = [w, h];
    else bad('size', q.get('size'));
  }
  const frames = int('frames', 0, 1, 1000000);
  return {
    renderer: int('renderer', -1, 0, 13),
    transform: int('transform', -1, 0, 14),
    seed: int('seed', 1, 0, 2147483647),
    sceneFrames: int('sceneframes', 500, -1, 1000000),
    width,
    height,
    sizeGiven,
    frames,
    deterministic: frames > 0 && q.get('audio') === 'generated',
    bare: q.get('bare') === '1',
    bench: q.get('bench') === '1',
    errors,
  };
})();
