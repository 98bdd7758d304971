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

  canvas: null,  // the visible canvas: the picture at the whole factor, scaled the rest of the way by CSS
  ctx: null,
  image: null,   // an ImageData over the program's RGBA bytes (no copy)
  imageBuf: null,
  imagePtr: 0,
  frame: null,   // the 800x600 picture, where the canvas holds it at a larger whole factor
  frameCtx: null,
  outW: 1,       // the stage in device pixels: the output the program fits the picture into
  outH: 1,
  resized: true, // the stage may have changed size since they were read
  observed: false,
  keep: false,   // for tests: while true, every draw keeps what it showed in `kept`
  kept: null,
  open: false,
  listening: false,
  events: [],    // four numbers per event: kind, a, b, c (see WebEvent)
  down: {},      // keys held, so that they can be let go when the page loses focus
  gap: 0,        // seconds between the program's turns, lately at the longest
  lastTurn: 0,   // when the last turn began (performance.now(), ms)
  resumed: 0,    // when the program last got the thread back from a frame wait or a sleep (ms)
  waited: -1,    // how long the last frame wait gave the browser (ms), until the program sleeps
  busy: 0,       // ms the program ran, all turns (its frame waits and sleeps left out)
  turns: 0,
  frames: 0,     // frames drawn since the page loaded
  fit: null,     // where the last frame landed: {x, y, w, h, factor}
  waits: 0,      // the program's turns so far (calls of waitFrame)
  stripKeys: [], // keys the on-screen strip pressed: {vk, turn}, let go a turn later
  touch: null,   // the finger being followed (see onPointer)
  onPhase: null, // the page's hook, called with the phase's name when it changes
  phase: '',
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
    this.image = null;
    this.frame = null;
    this.synced = false;
    this.resized = true;
    this.stripKeys = [];
    this.touch = null;
    this.events = [];
    this.down = {};
    this.gap = 0;
    this.lastTurn = 0;
    this.resumed = performance.now();  // the program is running: it called this
    this.waited = -1;
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
  // The stage's size in device pixels, where the picture is fitted. The
  // canvas fills the stage and shows its picture with object-fit: contain.
  // Read from the page only when it may have changed (asking the page for
  // an element's size every frame costs it a style check).
  outputSize(wPtr, hPtr) {
    if (this.resized || !this.observed) {
      this.resized = false;
      var c = this.canvas;
      var stage = c.parentElement || c;
      var dpr = window.devicePixelRatio || 1;
      this.outW = Math.max(1, Math.round(stage.clientWidth * dpr));
      this.outH = Math.max(1, Math.round(stage.clientHeight * dpr));
    }
    HEAP32[wPtr >> 2] = this.outW;
    HEAP32[hPtr >> 2] = this.outH;
  },
  // The picture (RGBA bytes at `ptr`) goes into the canvas as it is, or by
  // nearest neighbour at the whole factor; the browser scales the canvas the
  // rest of the way, smoothly (CSS), and draws the black bars (the stage).
  // So the page's own work per frame does not grow with the screen's pixels,
  // and nothing is allocated per frame. Only the bands of rows that changed
  // are copied (`count` bands of four numbers at `bands`: first row, row
  // after the last, first column, column after the last), unless the canvas
  // needs the whole picture (`count` -1, or a canvas new or resized here).
  synced: false,  // the canvas holds the picture last drawn
  draw(ptr, width, height, x, y, w, h, factor, bands, count) {
    var f = Math.max(1, factor);
    var c = this.canvas;
    if (c.width !== width * f || c.height !== height * f) {
      c.width = width * f;
      c.height = height * f;
      this.synced = false;
    }
    if (!this.image || this.imageBuf !== HEAPU8.buffer || this.imagePtr !== ptr) {
      this.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, ptr, width * height * 4), width, height);
      this.imageBuf = HEAPU8.buffer;
      this.imagePtr = ptr;
    }
    if (f > 1 && !this.frame) {
      this.frame = document.createElement('canvas');
      this.frame.width = width;
      this.frame.height = height;
      this.frameCtx = this.frame.getContext('2d', { alpha: false });
      this.synced = false;
    }
    this.ctx.imageSmoothingEnabled = false;
    if (count < 0 || !this.synced) {
      this.putBand(0, height, 0, width, f);
    } else {
      for (var k = 0, b = bands >> 2; k < count; k++, b += 4) {
        this.putBand(HEAP32[b], HEAP32[b + 1], HEAP32[b + 2], HEAP32[b + 3], f);
      }
    }
    this.synced = true;
    this.frames++;
    this.fit = { x: x, y: y, w: w, h: h, factor: factor };
    if (this.keep) {
      // (waitFrame adds the intro phase the frame was drawn for, published after the drawing.)
      this.kept = { picture: HEAPU8.slice(ptr, ptr + width * height * 4), cw: c.width, ch: c.height,
        shown: this.ctx.getImageData(0, 0, c.width, c.height).data, phase: undefined };
    }
  },
  // Rows y0 to y1 (exclusive), columns x0 to x1 of the picture into the canvas.
  putBand(y0, y1, x0, x1, f) {
    if (f === 1) {
      this.ctx.putImageData(this.image, 0, 0, x0, y0, x1 - x0, y1 - y0);
      return;
    }
    this.frameCtx.putImageData(this.image, 0, 0, x0, y0, x1 - x0, y1 - y0);
    this.ctx.drawImage(this.frame, x0, y0, x1 - x0, y1 - y0, x0 * f, y0 * f, (x1 - x0) * f, (y1 - y0) * f);
  },
  // Gives the browser its turn until the next animation frame. A page the
  // browser does not paint (hidden, or behind another tab) gets no animation
  // frames, so a timer ends the wait as well; browsers may stretch it. How
  // far apart the program's turns come is kept in `gap`, which sets the
  // sound's lead.
  waitFrame() {
    var self = this;
    var start = performance.now();
    if (this.resumed) {
      this.busy += start - this.resumed;
      this.turns++;
    }
    this.waits++;
    if (this.kept && this.kept.phase === undefined) this.kept.phase = this.state.intro_phase;
    // The strip's keys were down for at least one of the program's frames.
    while (this.stripKeys.length && this.stripKeys[0].turn < this.waits) {
      var k = this.stripKeys.shift();
      if (!this.down[k.vk]) this.post(1, k.vk, 0, 0);
    }
    if (this.state.phase !== this.phase) {
      this.phase = this.state.phase;
      if (this.onPhase) this.onPhase(this.phase);
    }
    return new Promise(function (resolve) {
      var done = false;
      var timer = 0;
      var finish = function () {
        if (done) return;
        done = true;
        clearTimeout(timer);
        var now = performance.now();
        if (self.lastTurn) self.gap = Math.max((now - self.lastTurn) / 1000, self.gap * 0.98);
        self.lastTurn = now;
        self.resumed = now;
        self.waited = now - start;
        resolve();
      };
      if (!document.hidden) requestAnimationFrame(finish);
      timer = setTimeout(finish, document.hidden ? 16 : 50);
    });
  },

  // The program's pause of `ms`: the browser has the thread meanwhile.
  sleep(ms) {
    var self = this;
    if (this.resumed) this.busy += performance.now() - this.resumed;
    this.waited = -1;
    return new Promise(function (resolve) {
      setTimeout(function () {
        self.resumed = performance.now();
        resolve();
      }, ms);
    });
  },
  // Whether a pause of `ms` is served by the frame wait just before it (at
  // most one pause per wait).
  sleepServed(ms) {
    var served = this.waited >= ms;
    this.waited = -1;
    return served ? 1 : 0;
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
    var sx = r.width > 0 ? this.outW / r.width : 1;
    var sy = r.height > 0 ? this.outH / r.height : 1;
    return [(e.clientX - r.left) * sx, (e.clientY - r.top) * sy];
  },
  // A key of the on-screen strip: down now, let go after the program's next
  // frame, as a keyboard's key would be.
  stripKey(vk) {
    if (!this.open) return;
    this.wakeAudio();
    this.post(1, vk, 1, 0);
    this.stripKeys.push({ vk: vk, turn: this.waits });
  },
  // A canvas position (device pixels) in the 800x600 picture, through the
  // fit of the last frame; null before the first frame.
  inPicture(p) {
    var f = this.fit;
    if (!f || f.w <= 0 || f.h <= 0) return null;
    return [((p[0] - f.x) * 800) / f.w, ((p[1] - f.y) * 600) / f.h];
  },
  // Fingers and pens (the mouse keeps its own events). A finger that goes
  // down on the scroll bar presses there and drags as the mouse does. Any
  // other is held back: lifted where it went down (within SLOP CSS pixels)
  // it is a click there, which the display layer keeps down for one frame
  // however short the tap; moved further on the page panel it scrolls the
  // page with it, a wheel step (WHEEL_PX picture pixels) at a time; moved
  // elsewhere it does nothing.
  SLOP: 10,
  WHEEL_PX: 48,        // four page rows of 12 pixels: what a wheel step scrolls
  // Where a finger works the scroll bar (a little wider than the mouse's hit
  // area, for a finger: both skins, picture pixels x0, x1, y0, y1) and where
  // the page panel starts; web/main.cpp sets both from the screen's layout.
  BAR: [0, 0, 0, 0],
  PANEL_TOP: 0,
  layout(bar, panelTop) {
    this.BAR = bar;
    this.PANEL_TOP = panelTop;
  },
  onPointer(e) {
    if (e.pointerType === 'mouse') return;
    var t = this.touch;
    if (e.type === 'pointerdown') {
      if (!e.isPrimary || !this.open) return;
      e.preventDefault();  // no mouse events after it, no focus change
      this.wakeAudio();
      var p = this.at(e);
      var q = this.inPicture(p) || [-1, -1];
      var b = this.BAR;
      var bar = this.phase === 'main' && q[0] >= b[0] && q[0] < b[1] && q[1] >= b[2] && q[1] < b[3];
      this.touch = { id: e.pointerId, x: e.clientX, y: e.clientY, p: p, mode: bar ? 'drag' : 'wait', moved: 0,
        panel: this.phase === 'main' && q[1] >= this.PANEL_TOP && q[0] >= 0 && q[0] < 800 && q[1] < 600 };
      try {
        this.canvas.setPointerCapture(e.pointerId);
      } catch (err) {}
      if (bar) {
        this.post(2, p[0], p[1], 0);
        this.post(3, 1, p[0], p[1]);
      }
      return;
    }
    if (!t || e.pointerId !== t.id) return;
    e.preventDefault();
    var at = this.at(e);
    if (e.type === 'pointermove') {
      if (t.mode === 'drag') {
        this.post(2, at[0], at[1], 0);
      } else if (t.mode === 'wait' && Math.hypot(e.clientX - t.x, e.clientY - t.y) > this.SLOP) {
        t.mode = t.panel ? 'scroll' : 'none';
        t.lastY = t.p[1];
      }
      if (t.mode === 'scroll' && this.fit && this.fit.h > 0) {
        // The finger's travel in picture pixels; up moves the text up, which
        // is the wheel turned towards the reader.
        t.moved += ((at[1] - t.lastY) * 600) / this.fit.h;
        t.lastY = at[1];
        while (t.moved <= -this.WHEEL_PX) {
          this.post(4, -1, 0, 0);
          t.moved += this.WHEEL_PX;
        }
        while (t.moved >= this.WHEEL_PX) {
          this.post(4, 1, 0, 0);
          t.moved -= this.WHEEL_PX;
        }
      }
      return;
    }
    // pointerup or pointercancel
    this.touch = null;
    if (t.mode === 'drag') {
      this.post(3, 0, at[0], at[1]);
    } else if (t.mode === 'wait' && e.type === 'pointerup') {
      this.post(2, t.p[0], t.p[1], 0);
      this.post(3, 1, t.p[0], t.p[1]);
      this.post(3, 0, t.p[0], t.p[1]);
    }
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
    var pointer = function (e) {
      self.onPointer(e);
    };
    ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'].forEach(function (type) {
      canvas.addEventListener(type, pointer, { passive: false });
    });
    canvas.addEventListener('wheel', function (e) {
      if (!self.open) return;
      e.preventDefault();
      if (e.deltaY === 0) return;  // sideways only
      self.post(4, e.deltaY < 0 ? 1 : -1, 0, 0);  // forward: away from the reader
    }, { passive: false });
    var resized = function () {
      self.resized = true;
    };
    window.addEventListener('resize', resized);  // also where the device pixel ratio changes (zoom)
    self.observed = !!window.ResizeObserver;  // without it, outputSize reads the size every time
    if (self.observed) new ResizeObserver(resized).observe(canvas.parentElement || canvas);
    // A canvas whose context the browser lost and restored is blank.
    canvas.addEventListener('contextrestored', function () {
      self.synced = false;
    });
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
