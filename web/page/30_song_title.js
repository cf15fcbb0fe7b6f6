// A song's title from its tags (ID3v2 title and artist), else its file name.
function titleFromTags(bytes) {
  if (bytes.length < 10 || bytes[0] !== 0x49 || bytes[1] !== 0x44 || bytes[2] !== 0x33) return '';
  const version = bytes[3];
  const syncsafe = (i) => (bytes[i] << 21) | (bytes[i + 1] << 14) | (bytes[i + 2] << 7) | bytes[i + 3];
  const end = Math.min(bytes.length, 10 + syncsafe(6));
  const fields = {};
  let at = 10;
  if (bytes[5] & 0x40) at += version >= 4 ? syncsafe(10) : 4 + ((bytes[10] << 24) | (bytes[11] << 16) | (bytes[12] << 8) | bytes[13]);
  while (at + 10 <= end && version >= 3) {
    const id = String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
    const size = version >= 4 ? syncsafe(at + 4)
      : ((bytes[at + 4] << 24) | (bytes[at + 5] << 16) | (bytes[at + 6] << 8) | bytes[at + 7]) >>> 0;
    if (!/^[A-Z0-9]{4}$/.test(id) || size <= 0 || at + 10 + size > end) break;
    if (id === 'TIT2' || id === 'TPE1') fields[id] = decodeTagText(bytes.subarray(at + 10, at + 10 + size));
    at += 10 + size;
  }
  const title = (fields.TIT2 || '').trim();
  const artist = (fields.TPE1 || '').trim();
  return title && artist ? `${artist} - ${title}` : title;
}

function decodeTagText(field) {
  const encodings = ['latin1', 'utf-16', 'utf-16be', 'utf-8'];
  const text = new TextDecoder(encodings[field[0]] || 'latin1').decode(field.subarray(1));
  return text.replace(/\0.*$/s, '');
}

function titleFromFileName(name) {
  return name.replace(/\.[^.]*$/, '').replace(/_/g, ' ');
}
