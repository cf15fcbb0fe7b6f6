// The songs last chosen or dropped, in order, and which one plays. Titles arrive
// later than the files (tags are read in the background).
class Playlist {
  constructor() {
    this.songs = [];    // { file, title }
    this.index = -1;    // the current song; -1 before the first and after the last
  }

  // A new choice of files replaces the list, as a player's Play File does.
  replace(files) {
    this.songs = [...files].map((file) => ({ file, title: SongTags.fromFileName(file.name) }));
    this.index = -1;
  }

  current() { return this.songs[this.index] || null; }
  hasNext() { return this.index + 1 < this.songs.length; }
  hasPrevious() { return this.index > 0; }

  // Moves to `index`; null past either end, and the list then stands nowhere.
  moveTo(index) {
    this.index = index >= 0 && index < this.songs.length ? index : -1;
    return this.current();
  }
}
