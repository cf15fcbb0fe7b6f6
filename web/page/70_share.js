// A link that opens the live scene again: its renderer and transform (locked
// at the start, as velune-render's options do), which of the two stay locked,
// the seed and the picture size. Without `locks` an address keeps both locks.
const SceneLink = {
  make(scene) {
    const q = new URLSearchParams();
    q.set('renderer', scene.renderer);
    q.set('transform', scene.transform);
    q.set('locks', (scene.rendererLocked ? 'r' : '') + (scene.transformLocked ? 't' : ''));
    q.set('seed', scene.seed);
    if (scene.size) q.set('size', scene.size);
    return `${location.pathname}?${q}`;
  },

  // What the opened address asks of a live run beyond VeluneAddress: the
  // seed when one is given, and the locks to let go after the start.
  read() {
    const q = new URLSearchParams(location.search);
    const locks = q.get('locks');
    return {
      seedGiven: q.has('seed'),
      unlockRenderer: locks !== null && !locks.includes('r'),
      unlockTransform: locks !== null && !locks.includes('t'),
    };
  },
};
