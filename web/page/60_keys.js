// Which key does what, and where. The plug-in's display-window keys act on
// the picture and on the page around it; the F keys also act on a focused
// control, while Space, Enter, arrows and letters stay with it. The letters are
// the player's own keys, which the plug-in hands on to it.
const VeluneKeys = {
  engine: { Space: 32, F4: 115, F5: 116, F6: 117, F7: 118, F8: 119, F9: 120, F12: 123 },
  player: { KeyZ: 'previous', KeyX: 'play', KeyC: 'pause', KeyV: 'stop', KeyB: 'next' },

  // A control that uses the key itself: a button presses on Space, a list
  // opens, a slider moves on arrows.
  ownsKey(target, code) {
    if (!(target instanceof Element) || target.id === 'picture') return false;
    const control = target.closest('button, a, select, input, textarea, [role="dialog"]');
    return !!control && !/^F\d/.test(code);
  },

  // The action for a key press: ['engine', code], ['player', name],
  // ['display', 'full' | 'window' | 'toggle'], ['help'] or null.
  action(e) {
    if (e.ctrlKey || e.metaKey) return null;
    if (e.altKey) return e.key === 'Enter' ? ['display', 'toggle'] : null;
    if (e.code === 'F1') return ['display', 'full'];
    if (e.code === 'F2') return ['display', 'window'];
    if (e.key === '?') return ['help'];
    if (VeluneKeys.ownsKey(e.target, e.code)) return null;
    if (e.code in VeluneKeys.engine) return ['engine', VeluneKeys.engine[e.code]];
    if (e.code in VeluneKeys.player && !e.shiftKey) return ['player', VeluneKeys.player[e.code]];
    return null;
  },
};
