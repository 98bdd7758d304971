// The browser half of the web platform (platform/web_platform.cpp calls it):
// the canvas and the picture's place in it, the input events queued for the
// program's next message pump, and the Web Audio streams. Everything runs on
// the page's one thread; the program is suspended (ASYNCIFY) whenever the
// browser runs any of the handlers here.
var ZelWeb = {
  // Keys the program reads, by KeyboardEvent.key, as its virtual-key codes.
  KEYS: {
    Escape: 0x1b, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowUp: 0x26, ArrowDown: 0x28,
    F1: 0x70, F2: 0x71, F3: 0x72, F4: 0x73, F5: 0x74, F6: 0x75, F7: 0x76, F8: 0x77, F9: 0x78, F10: 0x79,
    F11: 0x7a, F12: 0x7b,
  },
  // Keys whose browser default is prevented although the program ignores them.
  QUIET_KEYS: { ArrowLeft: 1, ArrowRight: 1 },
  AHEAD: 0.1,    // seconds of sound kept queued ahead of the audio clock, at least
  MAX_AHEAD: 0.5,  // and at most, when the program's turns come seldom
  RATE: 44100,   // the program's sample rate

  canvas: null,  // the visible canvas, as large as its stage, in device pixels
  ctx: null,
  frame: null,   // the 800x600 picture as presented
  frameCtx: null,
  mid: null,     // the picture at the whole factor, for the smooth stage
  midCtx: null,
  open: false,
  listening: false,
  events: [],    // four numbers per event: kind, a, b, c (see WebEvent)
  down: {},      // keys held, so that they can be let go when the page loses focus
  gap: 0,        // seconds between the program's turns, lately at the longest
  lastTurn: 0,   // when the last turn began (performance.now(), ms)
  busy: 0,       // ms the program worked in its turns (frame, sleeps and drawing), all turns
  turns: 0,
  frames: 0,     // frames drawn since the page loaded
  fit: null,     // where the last frame landed: {x, y, w, h, factor}
  state: {},     // what the program published after its last present
  audio: null,   // the AudioContext, made on the reader's click
  streams: {},
  nextStream: 1,
  played: 0,     // sound frames the audio clock has passed, all streams
  peak: 0,       // their largest magnitude (0..32768)
  underruns: 0,  // times a stream ran dry and restarted after a gap
  capture: null, // for tests: while an object, every push is kept in capture[channels]

  // ---- display --------------------------------------------------------------
  displayOpen(width, height) {
    var canvas = Module.canvas || document.getElementById('screen');
    if (!canvas) return 0;
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d', { alpha: false });
    this.frame = document.createElement('canvas');
    this.frame.width = width;
    this.frame.height = height;
    this.frameCtx = this.frame.getContext('2d', { alpha: false });
    this.mid = null;
    this.events = [];
    this.down = {};
    this.gap = 0;
    this.lastTurn = 0;
    this.open = true;
    if (!this.listening) this.listen();
    return 1;
  },
  displayClose() {
    this.open = false;
    this.events = [];
    if (this.canvas) this.canvas.style.cursor = '';
  },
  hidePointer() {
    if (this.canvas) this.canvas.style.cursor = 'none';
  },
  // The canvas's real size in device pixels; the backing store follows it.
  outputSize(wPtr, hPtr) {
    var c = this.canvas;
    var stage = c.parentElement || c;
    var dpr = window.devicePixelRatio || 1;
    var w = Math.max(1, Math.round(stage.clientWidth * dpr));
    var h = Math.max(1, Math.round(stage.clientHeight * dpr));
    if (c.width !== w || c.height !== h) {
      c.width = w;
      c.height = h;
    }
    HEAP32[wPtr >> 2] = w;
    HEAP32[hPtr >> 2] = h;
  },
  // Black bars, then the picture: whole factor by nearest neighbour, the rest
  // of the way by the smooth filter.
  draw(rgbaPtr, width, height, x, y, w, h, factor, filter) {
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgbaPtr, width * height * 4);
    this.frameCtx.putImageData(new ImageData(bytes, width, height), 0, 0);
    var src = this.frame;
    if (filter && factor > 1) {
      if (!this.mid || this.mid.width !== width * factor) {
        this.mid = document.createElement('canvas');
        this.mid.width = width * factor;
        this.mid.height = height * factor;
        this.midCtx = this.mid.getContext('2d', { alpha: false });
      }
      this.midCtx.imageSmoothingEnabled = false;
      this.midCtx.drawImage(this.frame, 0, 0, width * factor, height * factor);
      src = this.mid;
    }
    var c = this.ctx;
    c.fillStyle = '#000';
    c.fillRect(0, 0, this.canvas.width, this.canvas.height);
    c.imageSmoothingEnabled = !!filter;
    c.imageSmoothingQuality = 'low';
    c.drawImage(src, x, y, w, h);
    this.frames++;
    this.fit = { x: x, y: y, w: w, h: h, factor: factor };
  },
  // Gives the browser its turn until the next animation frame. A page the
  // browser does not paint (hidden, or behind another tab) gets no animation
  // frames, so a timer ends the wait as well; browsers may stretch it. How
  // far apart the program's turns come is kept in `gap`, which sets the
  // sound's lead.
  waitFrame() {
    var self = this;
    if (this.lastTurn) {
      this.busy += performance.now() - this.lastTurn;
      this.turns++;
    }
    return new Promise(function (resolve) {
      var done = false;
      var finish = function () {
        if (done) return;
        done = true;
        var now = performance.now();
        if (self.lastTurn) self.gap = Math.max((now - self.lastTurn) / 1000, self.gap * 0.98);
        self.lastTurn = now;
        resolve();
      };
      if (!document.hidden) requestAnimationFrame(finish);
      setTimeout(finish, document.hidden ? 16 : 50);
    });
  },

  // ---- input ----------------------------------------------------------------
  post(kind, a, b, c) {
    if (this.open) this.events.push(kind, a, b, c);
  },
  takeEvents(ptr, max) {
    var n = Math.min(max, this.events.length / 4);
    for (var i = 0; i < n * 4; i++) HEAPF64[(ptr >> 3) + i] = this.events[i];
    this.events.splice(0, n * 4);
    return n;
  },
  // A pointer position in the canvas's device pixels.
  at(e) {
    var r = this.canvas.getBoundingClientRect();
    var sx = r.width > 0 ? this.canvas.width / r.width : 1;
    var sy = r.height > 0 ? this.canvas.height / r.height : 1;
    return [(e.clientX - r.left) * sx, (e.clientY - r.top) * sy];
  },
  letGo() {
    for (var k in this.down) this.post(1, +k, 0, 0);
    this.down = {};
    this.post(3, 0, NaN, NaN);
  },
  // A context the browser held back (no gesture counted yet) starts on the
  // reader's next key or click.
  wakeAudio() {
    if (this.audio && this.audio.state === 'suspended') this.audio.resume();
  },
  listen() {
    var self = this;
    this.listening = true;
    window.addEventListener('keydown', function (e) {
      var vk = self.KEYS[e.key];
      if (vk === undefined) {
        if (self.open && self.QUIET_KEYS[e.key]) e.preventDefault();
        return;
      }
      // In the browser's full screen Escape belongs to the browser: it leaves.
      if (e.key === 'Escape' && document.fullscreenElement) return;
      if (!self.open) return;
      e.preventDefault();
      self.wakeAudio();
      self.down[vk] = 1;
      self.post(1, vk, 1, e.repeat ? 1 : 0);
    });
    window.addEventListener('keyup', function (e) {
      var vk = self.KEYS[e.key];
      if (vk === undefined || !self.open) return;
      e.preventDefault();
      delete self.down[vk];
      self.post(1, vk, 0, 0);
    });
    var canvas = this.canvas;
    canvas.addEventListener('mousemove', function (e) {
      var p = self.at(e);
      self.post(2, p[0], p[1], 0);
    });
    canvas.addEventListener('mousedown', function (e) {
      if (e.button !== 0) return;
      e.preventDefault();
      self.wakeAudio();
      var p = self.at(e);
      self.post(3, 1, p[0], p[1]);
    });
    window.addEventListener('mouseup', function (e) {
      if (e.button !== 0 || !self.canvas) return;
      var p = self.at(e);
      self.post(3, 0, p[0], p[1]);
    });
    canvas.addEventListener('wheel', function (e) {
      if (!self.open) return;
      e.preventDefault();
      if (e.deltaY === 0) return;  // sideways only
      self.post(4, e.deltaY < 0 ? 1 : -1, 0, 0);  // forward: away from the reader
    }, { passive: false });
    canvas.addEventListener('contextmenu', function (e) {
      if (self.open) e.preventDefault();
    });
    document.addEventListener('visibilitychange', function () {
      self.post(5, document.hidden ? 0 : 1, 0, 0);
    });
    window.addEventListener('blur', function () {
      self.letGo();
    });
  },

  // ---- sound ----------------------------------------------------------------
  // Called on the reader's click: browsers start sound only after a gesture.
  audioStart() {
    if (this.audio) return;
    var AC = window.AudioContext || window.webkitAudioContext;
    if (!AC) return;
    try {
      this.audio = new AC({ sampleRate: this.RATE });
    } catch (e) {
      try {
        this.audio = new AC();
      } catch (e2) {
        this.audio = null;
        return;
      }
    }
    this.audio.resume();
  },
  // Stops every stream and closes the context: nothing is left running.
  audioEnd() {
    for (var id in this.streams) this.audioClose(+id);
    if (this.audio) this.audio.close();
    this.audio = null;
  },
  audioOpen(channels) {
    if (!this.audio) return 0;
    var id = this.nextStream++;
    this.streams[id] = { ch: channels, end: 0, pushed: 0, chunks: [], sources: [] };
    return id;
  },
  audioClose(id) {
    this.audioStop(id);
    delete this.streams[id];
  },
  // Silences a stream at once and forgets what it had queued.
  audioStop(id) {
    var s = this.streams[id];
    if (!s) return;
    this.settle(s);
    s.sources.forEach(function (src) {
      try {
        src.stop();
      } catch (e) {}
    });
    s.sources = [];
    s.chunks = [];
    s.end = 0;
    s.pushed = 0;
  },
  ahead(s) {
    return Math.max(0, s.end - this.audio.currentTime);
  },
  // Frames to hand over now to keep AHEAD queued, or twice the longest
  // recent wait between two turns of the program where that is more (up to
  // MAX_AHEAD); none while the context is not running, so that a stream
  // waits instead of racing ahead.
  audioWanted(id) {
    var s = this.streams[id];
    if (!s || this.audio.state !== 'running') return 0;
    var lead = Math.min(this.MAX_AHEAD, Math.max(this.AHEAD, 2 * this.gap));
    var want = Math.round((lead - this.ahead(s)) * this.RATE);
    return want >= 128 ? want : 0;
  },
  // Frames the audio clock has passed since the stream started.
  audioPlayed(id) {
    var s = this.streams[id];
    if (!s) return 0;
    return s.pushed - Math.round(this.ahead(s) * this.RATE);
  },
  // Queues `frames` interleaved 16-bit frames right after the previous ones
  // (or a moment from now, after an underrun).
  audioPush(id, ptr, frames) {
    var s = this.streams[id];
    var a = this.audio;
    if (!s || !a || frames <= 0) return;
    var buf = a.createBuffer(s.ch, frames, this.RATE);
    var peak = 0;
    var base = ptr >> 1;
    for (var c = 0; c < s.ch; c++) {
      var out = buf.getChannelData(c);
      for (var i = 0; i < frames; i++) {
        var v = HEAP16[base + i * s.ch + c];
        out[i] = v / 32768;
        if (v > peak) peak = v;
        else if (-v > peak) peak = -v;
      }
    }
    if (this.capture) (this.capture[s.ch] = this.capture[s.ch] || []).push(HEAP16.slice(base, base + frames * s.ch));
    var src = a.createBufferSource();
    src.buffer = buf;
    src.connect(a.destination);
    var now = a.currentTime;
    if (s.end < now + 0.005) {
      if (s.pushed > 0 && s.end < now) this.underruns++;  // the stream ran dry: a gap
      s.end = now + 0.01;
    }
    src.start(s.end);
    s.end += frames / this.RATE;
    s.pushed += frames;
    s.chunks.push({ end: s.end, frames: frames, peak: peak });
    s.sources.push(src);
    src.onended = function () {
      var k = s.sources.indexOf(src);
      if (k >= 0) s.sources.splice(k, 1);
    };
    this.settle(s);
  },
  // Counts the chunks the audio clock has passed into `played` and `peak`.
  settle(s) {
    if (!this.audio) return;
    var now = this.audio.currentTime;
    while (s.chunks.length && s.chunks[0].end <= now) {
      var k = s.chunks.shift();
      this.played += k.frames;
      if (k.peak > this.peak) this.peak = k.peak;
    }
  },
  // What tests and the page read.
  stats() {
    for (var id in this.streams) this.settle(this.streams[id]);
    return {
      frames: this.frames,
      busy: this.busy,
      turns: this.turns,
      fit: this.fit,
      state: this.state,
      audio: {
        state: this.audio ? this.audio.state : 'closed',
        rate: this.audio ? this.audio.sampleRate : 0,
        played: this.played,
        peak: this.peak,
        underruns: this.underruns,
      },
    };
  },
};
