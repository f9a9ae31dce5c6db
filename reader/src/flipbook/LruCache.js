// A small least-recently-used map that tells its owner what it drops, so
// object URLs and bitmaps are released as soon as they leave the cache.
export class LruCache {
  #limit;
  #onEvict;
  #map = new Map();

  constructor(limit, onEvict = () => {}) {
    this.#limit = Math.max(1, limit);
    this.#onEvict = onEvict;
  }

  get size() {
    return this.#map.size;
  }

  has(key) {
    return this.#map.has(key);
  }

  /** Keys from least to most recently used. */
  keys() {
    return [...this.#map.keys()];
  }

  /** The value without making it recent. */
  peek(key) {
    return this.#map.get(key);
  }

  get(key) {
    if (!this.#map.has(key)) return undefined;
    const value = this.#map.get(key);
    this.#map.delete(key);
    this.#map.set(key, value);
    return value;
  }

  set(key, value) {
    if (this.#map.has(key)) {
      const old = this.#map.get(key);
      this.#map.delete(key);
      if (old !== value) this.#onEvict(old, key);
    }
    this.#map.set(key, value);
    while (this.#map.size > this.#limit) {
      const [oldestKey, oldest] = this.#map.entries().next().value;
      this.#map.delete(oldestKey);
      this.#onEvict(oldest, oldestKey);
    }
  }

  /** Drops `key` now, telling the owner as for any drop. */
  delete(key) {
    if (!this.#map.has(key)) return;
    const value = this.#map.get(key);
    this.#map.delete(key);
    this.#onEvict(value, key);
  }

  clear() {
    const entries = [...this.#map.entries()];
    this.#map.clear();
    for (const [key, value] of entries) this.#onEvict(value, key);
  }
}
