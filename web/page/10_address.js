// What the address asks for. A run with frames=N and audio=generated is the
// deterministic one: velune-render's generated songs, a fixed seed, and a stop
// after frame N, so the canvas holds that tool's last PNG.
const VeluneAddress = (() => {
  const q = new URLSearchParams(location.search);
  const int = (name, fallback, low, high) => {
    if (!q.has(name)) return fallback;
    const v = Number(q.get(name));
    return Number.isInteger(v) && v >= low && v <= high ? v : fallback;
  };
  const size = /^(\d+)x(\d+)$/.exec(q.get('size') || '');
  const width = size ? Number(size[1]) : 640;
  const height = size ? Number(size[2]) : 480;
  const okSize = size && width >= 1 && height >= 1 && width <= 8192 && height <= 8192;
  const frames = int('frames', 0, 1, 1000000);
  return {
    renderer: int('renderer', -1, 0, 13),
    transform: int('transform', -1, 0, 14),
    seed: int('seed', 1, 0, 2147483647),
    sceneFrames: int('sceneframes', 500, -1, 1000000),
    width: okSize ? width : 640,
    height: okSize ? height : 480,
    sizeGiven: !!okSize,
    frames,
    deterministic: frames > 0 && q.get('audio') === 'generated',
    bare: q.get('bare') === '1',
    bench: q.get('bench') === '1',
  };
})();
