// A song's title, "Artist - Title", from its tags: ID3v2 (MP3 and others),
// Vorbis comments (Ogg Vorbis, Opus, FLAC) and MP4 atoms (M4A, AAC). Only the
// parts of the file that hold tags are read, never the whole file.
const SongTags = (() => {
  const kHead = 256 * 1024;           // ID3, FLAC and Ogg keep their tags here
  const kMaxTag = 4 * 1024 * 1024;    // of an ID3 tag
  const kMaxMoov = 16 * 1024 * 1024;  // MP4's index; beyond it, tags are not worth the read
  const ascii = (b, at, n) => String.fromCharCode(...b.subarray(at, at + n));
  const be32 = (b, at) => ((b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]) >>> 0;
  const le32 = (b, at) => (b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24)) >>> 0;
  const utf8 = new TextDecoder('utf-8');
  const read = async (file, from, to) => new Uint8Array(await file.slice(from, to).arrayBuffer());
  const join = (artist, title) => {
    title = (title || '').trim();
    artist = (artist || '').trim();
    return title && artist ? `${artist} - ${title}` : title;
  };

  function id3Size(b) {
    if (b.length < 10 || ascii(b, 0, 3) !== 'ID3') return 0;
    return 10 + ((b[6] << 21) | (b[7] << 14) | (b[8] << 7) | b[9]);
  }

  function id3(b) {
    const version = b[3];
    const syncsafe = (i) => (b[i] << 21) | (b[i + 1] << 14) | (b[i + 2] << 7) | b[i + 3];
    const end = Math.min(b.length, id3Size(b));
    const fields = {};
    let at = 10;
    if (b[5] & 0x40) at += version >= 4 ? syncsafe(10) : 4 + be32(b, 10);
    while (at + 10 <= end && version >= 3) {
      const id = ascii(b, at, 4);
      const size = version >= 4 ? syncsafe(at + 4) : be32(b, at + 4);
      if (!/^[A-Z0-9]{4}$/.test(id) || size <= 0 || at + 10 + size > end) break;
      if (id === 'TIT2' || id === 'TPE1') fields[id] = id3Text(b.subarray(at + 10, at + 10 + size));
      at += 10 + size;
    }
    return join(fields.TPE1, fields.TIT2);
  }

  function id3Text(field) {
    const encodings = ['latin1', 'utf-16', 'utf-16be', 'utf-8'];
    return new TextDecoder(encodings[field[0]] || 'latin1').decode(field.subarray(1)).replace(/\0.*$/s, '');
  }

  // A Vorbis comment block: vendor string, then "KEY=value" entries.
  function vorbisComment(b, at) {
    const fields = {};
    if (at + 8 > b.length) return '';
    at += 4 + le32(b, at);
    let count = le32(b, at);
    at += 4;
    while (count-- > 0 && at + 4 <= b.length) {
      const n = le32(b, at);
      if (at + 4 + n > b.length) break;
      const entry = utf8.decode(b.subarray(at + 4, at + 4 + n));
      const eq = entry.indexOf('=');
      const key = entry.slice(0, eq).toUpperCase();
      if ((key === 'TITLE' || key === 'ARTIST') && !(key in fields)) fields[key] = entry.slice(eq + 1);
      at += 4 + n;
    }
    return join(fields.ARTIST, fields.TITLE);
  }

  function flac(b, at) {
    at += 4;
    while (at + 4 <= b.length) {
      const type = b[at] & 0x7f, last = b[at] & 0x80;
      const size = (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
      if (type === 4) return vorbisComment(b, at + 4);
      if (last) break;
      at += 4 + size;
    }
    return '';
  }

  // The comment packet follows the identification one in the first pages;
  // page headers are stripped so a packet split over pages reads whole.
  function ogg(b) {
    const body = [];
    let at = 0;
    while (at + 27 <= b.length && ascii(b, at, 4) === 'OggS') {
      const segments = b[at + 26];
      let size = 0;
      for (let i = 0; i < segments; ++i) size += b[at + 27 + i];
      body.push(b.subarray(at + 27 + segments, at + 27 + segments + size));
      at += 27 + segments + size;
    }
    const all = new Uint8Array(body.reduce((n, p) => n + p.length, 0));
    body.reduce((n, p) => (all.set(p, n), n + p.length), 0);
    for (const [marker, skip] of [['\x03vorbis', 7], ['OpusTags', 8]]) {
      for (let i = 0; i + skip <= all.length; ++i) {
        if (all[i] === marker.charCodeAt(0) && ascii(all, i, skip) === marker) return vorbisComment(all, i + skip);
      }
    }
    return '';
  }

  // moov > udta > meta > ilst > ©nam / ©ART > data
  function mp4Atoms(b, from, to, path, found) {
    let at = from;
    while (at + 8 <= to) {
      const size = be32(b, at), type = ascii(b, at + 4, 4);
      if (size < 8 || at + size > to) break;
      const inner = type === 'meta' ? at + 12 : at + 8;
      if (path.length && type === path[0]) mp4Atoms(b, inner, at + size, path.slice(1), found);
      if (!path.length && (type === '\xa9nam' || type === '\xa9ART') && ascii(b, at + 12, 4) === 'data') {
        found[type] = utf8.decode(b.subarray(at + 24, at + be32(b, at + 8) + 8));
      }
      at += size;
    }
  }

  async function mp4(file) {
    let at = 0;
    while (at + 8 <= file.size) {
      const h = await read(file, at, at + 16);
      let size = be32(h, 0);
      if (size === 1) size = be32(h, 8) * 4294967296 + be32(h, 12);
      else if (size === 0) size = file.size - at;
      if (size < 8) return '';
      if (ascii(h, 4, 4) === 'moov') {
        if (size > kMaxMoov) return '';
        const moov = await read(file, at, at + size);
        const found = {};
        mp4Atoms(moov, 8, moov.length, ['udta', 'meta', 'ilst'], found);
        return join(found['\xa9ART'], found['\xa9nam']);
      }
      at += size;
    }
    return '';
  }

  async function titleOf(file) {
    let head = await read(file, 0, kHead);
    const tagEnd = id3Size(head);
    if (tagEnd) {
      // Cover art can make a tag large; the text frames come before it.
      if (tagEnd > head.length) head = await read(file, 0, Math.min(tagEnd, kMaxTag));
      const title = id3(head);
      if (title) return title;
      head = await read(file, tagEnd, tagEnd + kHead);   // FLAC may sit behind an ID3 tag
    }
    if (ascii(head, 0, 4) === 'fLaC') return flac(head, 0);
    if (ascii(head, 0, 4) === 'OggS') return ogg(head);
    if (ascii(head, 4, 4) === 'ftyp') return mp4(file);
    return '';
  }

  function fromFileName(name) {
    return name.replace(/\.[^.]*$/, '').replace(/_/g, ' ');
  }

  // Never throws: a file without readable tags is named by its file name.
  async function title(file) {
    try {
      return (await titleOf(file)) || fromFileName(file.name);
    } catch (e) {
      return fromFileName(file.name);
    }
  }

  return { title, fromFileName };
})();
