// The explorer page: reads the catalogue from its JSON element and shows a folder tree, the
// selected folder's files in a sortable table, and a search over every name. Only the rows in
// view are in the document, so a folder of any size opens at once; names reach the document
// through textContent alone. The data's form is described in explorer_writer.cpp.
(function () {
  'use strict';

  var ROW = 24; // px, the height of a row in explorer.css
  var MAX_HEIGHT = 8000000; // px: taller elements are not laid out by every browser
  var MAX_DATE = 8.64e12; // s: the furthest time from 1970 that a Date holds
  var SLICE = 12; // ms of search between two chances for the page to answer
  var PRINT_LIMIT = 10000; // rows of the table that a printout holds at most

  // When the page got where, in ms from the start of its navigation, for the benchmark.
  var timings = { start: performance.now() };
  window.explorer = { timings: timings };

  function byId(id) {
    return document.getElementById(id);
  }

  function make(tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // ---- Text -------------------------------------------------------------------------------

  var CONTROL = /[\x01-\x1f\x7f]/g;

  /** A name as it is shown: control characters as "?", so that each stays on one line. */
  function shown(name) {
    return name.replace(CONTROL, '?');
  }

  /** A name percent-encoded byte by byte in UTF-8, keeping A-Z a-z 0-9 - . _ ~ as the
   *  catalogue's other pages do. */
  function encodeName(name) {
    return encodeURIComponent(name).replace(/[!'()*]/g, function (c) {
      return '%' + c.charCodeAt(0).toString(16).toUpperCase();
    });
  }

  function grouped(n) {
    return String(n).replace(/\B(?=(\d{3})+(?!\d))/g, ',');
  }

  /** A whole number of the catalogue, exactly: a number, or past 2^53 (where a number would be
   *  rounded) a BigInt; NaN for "-", which the catalogue does not know. */
  function exact(text) {
    if (text === '-') return NaN;
    var n = Number(text);
    return Number.isSafeInteger(n) ? n : BigInt(text);
  }

  /** Whether a size or time is not known (NaN); true of no BigInt, unlike isNaN. */
  function unknown(value) {
    return value !== value;
  }

  function bytesText(bytes) {
    if (bytes < 1024) return grouped(bytes) + ' B';
    var units = ['KiB', 'MiB', 'GiB', 'TiB', 'PiB', 'EiB', 'ZiB', 'YiB'];
    var value = Number(bytes), unit = -1;
    do {
      value /= 1024;
      ++unit;
    } while (value >= 1024 && unit < units.length - 1);
    return (value < 100 ? value.toFixed(1) : Math.round(value)) + ' ' + units[unit];
  }

  /** The exact bytes of a size, for its title beside the shorter text. */
  function bytesTitle(bytes) {
    return grouped(bytes) + (bytes == 1 ? ' byte' : ' bytes');
  }

  function filesText(count) {
    return grouped(count) + (count === 1 ? ' file' : ' files');
  }

  function two(n) {
    return n < 10 ? '0' + n : String(n);
  }

  /** A time in seconds since 1970 as local time, to the minute or (`seconds`) the second. */
  function timeText(time, seconds) {
    if (typeof time === 'bigint' || Math.abs(time) > MAX_DATE) return isoText(BigInt(time));
    var d = new Date(time * 1000);
    var text = d.getFullYear() + '-' + two(d.getMonth() + 1) + '-' + two(d.getDate()) + ' ' +
      two(d.getHours()) + ':' + two(d.getMinutes());
    return seconds ? text + ':' + two(d.getSeconds()) : text;
  }

  /** Seconds since 1970 as an ISO 8601 date and time in UTC, for a time that no Date holds:
   *  the proleptic Gregorian calendar, days to a civil date as in H. Hinnant's algorithm. */
  function isoText(seconds) {
    var day = BigInt(86400), days = seconds / day, rest = seconds % day;
    if (rest < 0) {
      rest += day;
      days -= BigInt(1);
    }
    var big = function (n) { return BigInt(n); };
    var z = days + big(719468), era = (z >= 0 ? z : z - big(146096)) / big(146097);
    var doe = z - era * big(146097);
    var yoe = (doe - doe / big(1460) + doe / big(36524) - doe / big(146096)) / big(365);
    var doy = doe - (big(365) * yoe + yoe / big(4) - yoe / big(100));
    var mp = (big(5) * doy + big(2)) / big(153);
    var d = Number(doy - (big(153) * mp + big(2)) / big(5)) + 1, m = Number(mp) + (mp < 10 ? 3 : -9);
    var y = yoe + era * big(400) + big(m <= 2 ? 1 : 0), r = Number(rest);
    var year = y < 0 ? '-' + String(-y).padStart(4, '0') : y > 9999 ? '+' + y : String(y).padStart(4, '0');
    return year + '-' + two(m) + '-' + two(d) + 'T' + two(Math.floor(r / 3600)) + ':' +
      two(Math.floor(r / 60) % 60) + ':' + two(r % 60) + 'Z';
  }

  // ---- The catalogue ----------------------------------------------------------------------

  /** The folders in catalogue order (depth-first, the chosen folder first), their place in
   *  the tree and their totals; each folder's files are read from its record when shown. */
  function readCatalogue() {
    // The run, the folders' records in parts, then the totals.
    var sources = document.querySelectorAll('script.catalogue'), parts = [];
    for (var k = 0; k < sources.length; ++k) {
      parts.push(JSON.parse(sources[k].textContent));
      sources[k].textContent = ''; // the document's copy is no longer needed
    }
    var data = parts.shift();
    data.totals = parts.pop().totals;
    data.folders = [].concat.apply([], parts);
    timings.parsed = performance.now();
    var records = data.folders, n = records.length, big = typeof data.totals.bytes === 'string';
    var c = {
      data: data, records: records, count: n,
      name: new Array(n), parent: new Int32Array(n), depth: new Int32Array(n),
      end: new Int32Array(n), // one past the last folder beneath
      position: new Int32Array(n), siblings: new Int32Array(n), // among its parent's folders
      files: new Float64Array(n), treeFiles: new Float64Array(n),
      // Sums past 2^53, where a number is rounded, are BigInts; no sum passes the total.
      bytes: big ? new Array(n) : new Float64Array(n), treeBytes: big ? new Array(n) : new Float64Array(n),
      prefix: new Array(n), fragment: new Array(n)
    };
    var stack = [];
    for (var f = 0; f < n; ++f) {
      var r = records[f], depth = r[0];
      stack.length = depth;
      c.parent[f] = depth ? stack[depth - 1] : -1;
      stack.push(f);
      c.depth[f] = depth;
      c.name[f] = r[1];
      var names = namesOf(r), count = 0;
      for (var at = names ? 0 : -1; at !== -1; at = names.indexOf('/', at + 1)) ++count;
      c.files[f] = c.treeFiles[f] = count;
      var bytes = r.length > 5 ? r[2] : 0;
      c.bytes[f] = c.treeBytes[f] = big ? BigInt(bytes) : bytes;
    }
    for (f = n - 1; f >= 0; --f) {
      if (!c.end[f]) c.end[f] = f + 1;
      var p = c.parent[f];
      if (p >= 0) {
        c.treeFiles[p] += c.treeFiles[f];
        c.treeBytes[p] += c.treeBytes[f];
        if (!c.end[p]) c.end[p] = c.end[f];
      }
    }
    c.position[0] = c.siblings[0] = 1;
    for (f = 0; f < n; ++f) {
      var list = children(c, f);
      for (k = 0; k < list.length; ++k) {
        c.position[list[k]] = k + 1;
        c.siblings[list[k]] = list.length;
      }
    }
    return c;
  }

  // A folder's record is [depth, name, bytes, names, sizes, times, extra], the middle four
  // only when it has files and the last only when there is something to say.

  function namesOf(r) {
    return typeof r[3] === 'string' ? r[3] : '';
  }

  /** A folder's sizes (4) or times (5), read only when the folder is shown: NaN where the
   *  catalogue does not know them. */
  function numbers(r, k) {
    return typeof r[k] === 'string' ? r[k].split(',').map(exact) : null;
  }

  function extra(c, f) {
    var r = c.records[f], last = r[r.length - 1];
    return r.length > 2 && typeof last === 'object' ? last : {};
  }

  function children(c, f) {
    var list = [];
    for (var child = f + 1; child < c.end[f]; child = c.end[child]) list.push(child);
    return list;
  }

  /** The start of the links of a folder's files: its path, encoded, ending in "/". */
  function prefixOf(c, f) {
    if (c.prefix[f] === undefined) {
      var own = extra(c, f).r, base = extra(c, f).b;
      // A page made to be moved with its tree, or served, has the start of its links.
      if (base === undefined && f === 0) base = c.data.base;
      if (base !== undefined) {
        c.prefix[f] = /\/$/.test(base) ? base : base + '/';
      } else if (f === 0) {
        var path = own !== undefined ? own : c.name[0].split('/').map(encodeName).join('/');
        c.prefix[0] = /\/$/.test(path) ? path : path + '/';
      } else {
        c.prefix[f] = prefixOf(c, c.parent[f]) + (own !== undefined ? own : encodeName(c.name[f])) + '/';
      }
    }
    return c.prefix[f];
  }

  /** The folder's path beneath the chosen folder as the address's fragment. */
  function fragmentOf(c, f) {
    if (c.fragment[f] === undefined) {
      var own = extra(c, f).r;
      c.fragment[f] = f === 0 ? '' : (c.parent[f] ? fragmentOf(c, c.parent[f]) + '/' : '') +
        (own !== undefined ? own : encodeName(c.name[f]));
    }
    return c.fragment[f];
  }

  function decoded(part) {
    try {
      return decodeURIComponent(part);
    } catch (e) {
      return part;
    }
  }

  /** The folder a fragment names, or the nearest one above it that exists. */
  function folderOfFragment(c, fragment) {
    var f = 0;
    var parts = fragment ? fragment.split('/') : [];
    for (var k = 0; k < parts.length; ++k) {
      var next = -1, plain = decoded(parts[k]);
      children(c, f).some(function (child) {
        var own = extra(c, child).r;
        var match = own !== undefined ? own === parts[k] : c.name[child] === plain;
        if (match) next = child;
        return match;
      });
      if (next < 0) break;
      f = next;
    }
    return f;
  }

  /** One folder's files: names, sizes, times (seconds since 1970) and their links. */
  function filesOf(c, f) {
    var r = c.records[f], more = extra(c, f);
    var names = r[3] ? r[3].split('/') : [];
    var times = typeof r[5] === 'string' ? r[5].split(',') : null;
    // Each time is given from the one before (the first since the epoch); a file whose
    // details could not be read has none, and the next goes on from the last. A time past
    // what a Date holds, and the one after it, are given whole ("=" and the seconds).
    for (var i = 0, t = 0; times && i < times.length; ++i) {
      var text = times[i];
      times[i] = text === '-' ? NaN : text[0] === '=' ? (t = exact(text.slice(1))) : (t += Number(text));
    }
    var dangling = {};
    (more.l || []).forEach(function (i) { dangling[i] = true; });
    return {
      folder: f, names: names, sizes: numbers(r, 4), times: times, dangling: dangling,
      digests: typeof more.d === 'string' ? more.d.split(',') : null,
      href: function (i) {
        var own = more.f && more.f[i];
        return prefixOf(c, f) + (own !== undefined ? own : encodeName(names[i]));
      }
    };
  }

  // ---- A list that holds only the rows in view --------------------------------------------

  /** Rows of `ROW` pixels in `scroller`, made by `fill(element, index)` from a pool of
   *  elements as they scroll into view. Past MAX_HEIGHT a pixel stands for more than one
   *  row's share of the scroll range. */
  function VirtualList(scroller, fill) {
    this.scroller = scroller;
    this.fill = fill;
    this.count = 0;
    this.pool = [];
    this.after = null; // called with each row drawn, once every row is in place
    this.sizer = make('div', 'sizer');
    scroller.appendChild(this.sizer);
    var list = this;
    scroller.addEventListener('scroll', function () { list.render(); });
    window.addEventListener('resize', function () { list.render(); });
  }

  VirtualList.prototype.setCount = function (count) {
    this.count = count;
    this.sizer.style.height = Math.min(count * ROW, MAX_HEIGHT) + 'px';
    this.render();
  };

  /** Rows of the whole list per pixel of scroll range. */
  VirtualList.prototype.scale = function () {
    var view = this.scroller.clientHeight;
    var range = this.count * ROW - view, shownRange = Math.min(this.count * ROW, MAX_HEIGHT) - view;
    return range > 0 && shownRange > 0 ? range / shownRange / ROW : 1 / ROW;
  };

  VirtualList.prototype.top = function () {
    return this.scroller.scrollTop * this.scale();
  };

  VirtualList.prototype.rowsInView = function () {
    return Math.max(1, Math.floor(this.scroller.clientHeight / ROW));
  };

  VirtualList.prototype.render = function () {
    var top = this.top(), scrollTop = this.scroller.scrollTop;
    var first = Math.floor(top);
    var last = Math.min(this.count, Math.ceil(top + this.scroller.clientHeight / ROW) + 1);
    var used = 0;
    for (var i = first; i < last; ++i, ++used) {
      var row = this.pool[used];
      if (!row) {
        row = this.pool[used] = make('div', 'row');
        this.scroller.appendChild(row);
      }
      row.style.transform = 'translateY(' + (scrollTop + (i - top) * ROW) + 'px)';
      row.hidden = false;
      row.dataset.index = i;
      this.fill(row, i);
    }
    // Read after every row is written, so that the layout is made once.
    for (var k = 0; this.after && k < used; ++k) this.after(this.pool[k]);
    for (; used < this.pool.length; ++used) {
      this.pool[used].hidden = true;
      this.pool[used].removeAttribute('data-index');
      this.pool[used].removeAttribute('id');
    }
  };

  /** Scrolls so that row `index` is wholly in view, and draws the rows at once. */
  VirtualList.prototype.reveal = function (index) {
    var top = this.top(), rows = this.rowsInView();
    if (index < top) top = index;
    else if (index + 1 > top + rows) top = index + 1 - rows;
    else return this.render();
    this.scroller.scrollTop = top / this.scale();
    this.render();
  };

  /** The index of the row an event happened in, or -1. */
  VirtualList.prototype.indexOf = function (target) {
    var row = target.closest && target.closest('.row');
    return row && row.dataset.index !== undefined ? Number(row.dataset.index) : -1;
  };

  /** Where arrows, Home, End and the page keys move `index` to, or null for other keys. */
  function moved(list, key, index) {
    var page = list.rowsInView();
    var to = { ArrowDown: index + 1, ArrowUp: index - 1, Home: 0, End: list.count - 1,
      PageDown: index + page, PageUp: index - page }[key];
    return to === undefined ? null : Math.max(0, Math.min(list.count - 1, to));
  }

  // ---- The page ---------------------------------------------------------------------------

  var c = readCatalogue();
  timings.read = performance.now();
  var current = -1; // the selected folder
  var view = null; // the selected folder's files
  var order = null; // the table's rows, as file indices in `view`
  var results = null; // the search in progress or done, when its results are shown

  var treeElement = byId('tree'), gridElement = byId('grid'), search = byId('search');
  var statusElement = byId('status');

  function showHeader() {
    var data = c.data;
    byId('folder').textContent = shown(data.folder);
    document.title = shown(data.folder) + ' \u2013 Dorvantile';
    var totals = data.totals || {};
    byId('about').textContent = 'Catalogued ' + timeText(data.time, true) + ' on ' +
      shown(data.host || '?') + ' \u00b7 ' + grouped(totals.folders || 0) + ' folders \u00b7 ' +
      filesText(totals.files || 0) + ' \u00b7 ' + bytesText(exact(String(totals.bytes || 0)));
  }

  // ---- The tree ---------------------------------------------------------------------------

  var treeRows = [0]; // the folders in view of the tree, in tree order
  var expanded = new Uint8Array(c.count);
  var treeFocus = 0; // row of treeRows

  var tree = new VirtualList(treeElement, function (row, i) {
    var f = treeRows[i], open = expanded[f] === 1, leaf = c.end[f] === f + 1;
    row.id = 'folder-' + f;
    row.setAttribute('role', 'treeitem');
    row.setAttribute('aria-level', c.depth[f] + 1);
    row.setAttribute('aria-posinset', c.position[f]);
    row.setAttribute('aria-setsize', c.siblings[f]);
    row.setAttribute('aria-selected', f === current);
    if (leaf) row.removeAttribute('aria-expanded');
    else row.setAttribute('aria-expanded', open);
    row.classList.toggle('selected', f === current);
    row.classList.toggle('focused', i === treeFocus);
    row.classList.toggle('unreadable', extra(c, f).u !== undefined);
    row.style.paddingLeft = c.depth[f] * 16 + 4 + 'px';
    row.textContent = '';
    row.appendChild(make('span', 'toggle', leaf ? '' : open ? '\u25be' : '\u25b8'));
    row.appendChild(make('span', 'name', shown(c.name[f])));
    row.appendChild(make('span', 'count', grouped(c.treeFiles[f]) + ' \u00b7 ' + bytesText(c.treeBytes[f])));
    row.title = filesText(c.treeFiles[f]) + ', ' + bytesText(c.treeBytes[f]) + ' in this folder and beneath it';
  });

  tree.after = function (row) {
    var name = row.querySelector('.name');
    titleIfCut(name, name, name.textContent);
  };

  /** The folders that show beneath `f` when it is open. */
  function shownBeneath(f) {
    var list = [];
    children(c, f).forEach(function (child) {
      list.push(child);
      if (expanded[child]) list = list.concat(shownBeneath(child));
    });
    return list;
  }

  function setExpanded(f, open) {
    var at = treeRows.indexOf(f);
    if (c.end[f] === f + 1 || expanded[f] === (open ? 1 : 0)) return;
    expanded[f] = open ? 1 : 0;
    if (at >= 0) {
      var rest = treeRows.slice(at + 1);
      if (open) {
        treeRows = treeRows.slice(0, at + 1).concat(shownBeneath(f), rest);
      } else {
        var k = 0;
        while (k < rest.length && rest[k] < c.end[f]) ++k;
        treeRows = treeRows.slice(0, at + 1).concat(rest.slice(k));
      }
      if (treeFocus > at && !open) treeFocus = Math.min(treeFocus, at);
    }
    tree.setCount(treeRows.length);
  }

  function focusTreeRow(i) {
    treeFocus = i;
    tree.reveal(i);
    treeElement.setAttribute('aria-activedescendant', 'folder-' + treeRows[i]);
  }

  treeElement.addEventListener('click', function (event) {
    var i = tree.indexOf(event.target);
    if (i < 0) return;
    var f = treeRows[i];
    if (event.target.classList.contains('toggle')) setExpanded(f, !expanded[f]);
    else go(f, true);
    focusTreeRow(treeRows.indexOf(f));
  });

  treeElement.addEventListener('keydown', function (event) {
    var f = treeRows[treeFocus], to = moved(tree, event.key, treeFocus);
    if (to !== null) {
      go(treeRows[to], false);
    } else if (event.key === 'ArrowRight' && c.end[f] !== f + 1) {
      if (expanded[f]) go(f + 1, false);
      else setExpanded(f, true), focusTreeRow(treeRows.indexOf(f));
    } else if (event.key === 'ArrowLeft') {
      if (expanded[f]) setExpanded(f, false), focusTreeRow(treeRows.indexOf(f));
      else if (c.parent[f] >= 0) go(c.parent[f], false);
    } else if (event.key === 'Enter') {
      go(f, true);
      gridElement.focus();
    } else {
      return;
    }
    event.preventDefault();
  });

  // ---- The table --------------------------------------------------------------------------

  // A model gives each row as its cells: `text` as shown, `title` when there is more to say,
  // `csv` as saved (exact bytes, times to the second), and a link to a file (`href`) or to a
  // folder (`folder`). The table, the printout and the saved rows are all made of them.

  var NAME = { label: 'Name', key: 'name' }, SIZE = { label: 'Size', key: 'size' };
  var TIME = { label: 'Modified', key: 'time' }, DIGEST = { label: 'SHA-256', key: 'digest' };
  var WHERE = { label: 'Folder', key: 'where' };

  /** A cell whose text is saved as shown; `more` adds to it (a folder's link, a class). */
  function textCell(text, more) {
    var cell = { text: text, csv: text };
    for (var key in more) cell[key] = more[key];
    return cell;
  }

  function sizeCell(size, dangling) {
    // A link that leads nowhere has only its own size, of no use to anyone.
    if (dangling) return { text: 'broken link', csv: '' };
    if (unknown(size)) return textCell('');
    return { text: bytesText(size), title: bytesTitle(size), csv: String(size), number: true };
  }

  function timeCell(time) {
    if (unknown(time)) return textCell('');
    return { text: timeText(time), csv: timeText(time, true) };
  }

  function fileCells(files, i) {
    return [textCell(shown(files.names[i]), { href: files.href(i), dangling: files.dangling[i] }),
      sizeCell(files.sizes ? files.sizes[i] : NaN, files.dangling[i]),
      timeCell(files.times ? files.times[i] : NaN)];
  }

  /** What the table shows: the selected folder's files, or the results of a search. */
  var folderModel = {
    columns: [NAME, SIZE, TIME],
    sort: { column: 0, direction: 1 },
    count: function () { return order.length; },
    cells: function (i) {
      var file = order[i], cells = fileCells(view, file);
      if (view.digests) {
        var digest = view.digests[file] || '';
        cells.push({ text: digest, title: digest || undefined, csv: digest });
      }
      return cells;
    },
    activate: function (i, cells) {
      cells[0].firstChild.click();
    }
  };

  var resultsModel = {
    columns: [NAME, WHERE, SIZE, TIME],
    sort: { column: -1, direction: 1 }, // -1: in the order found
    count: function () { return results.length; },
    /** The result that row `i` shows. */
    result: function (i) {
      return results.order && i < results.order.length ? results.order[i] : i;
    },
    cells: function (i) {
      var r = this.result(i), f = results.folder[r], file = results.file[r];
      if (file >= 0) {
        var cells = fileCells(results.files(f), file);
        cells.splice(1, 0, textCell(shown(pathText(f)), { folder: f }));
        return cells;
      }
      var where = c.parent[f];
      return [textCell(shown(c.name[f]), { folder: f, className: 'folder' }),
        where < 0 ? textCell('') : textCell(shown(pathText(where)), { folder: where }),
        sizeCell(c.treeBytes[f]), textCell('')];
    },
    activate: function (i) {
      var r = this.result(i);
      go(results.folder[r], true, results.file[r]);
    }
  };

  function fileLink(cell) {
    var link = make('a', cell.dangling ? 'dangling' : '', cell.text);
    if (cell.dangling) link.title = 'A link that leads nowhere';
    link.href = cell.href;
    link.tabIndex = -1;
    return link;
  }

  function folderLink(f, text, className) {
    var link = make('a', className, shown(text));
    link.href = '#' + fragmentOf(c, f);
    link.tabIndex = -1;
    return link;
  }

  /** A folder's path beneath the chosen folder; the chosen folder's own path. */
  function pathText(f) {
    var parts = [];
    for (; f > 0; f = c.parent[f]) parts.unshift(c.name[f]);
    return parts.length ? parts.join('/') : c.name[0];
  }

  /** Gives an element whose text is cut short (an ellipsis) its whole text as a title. */
  function titleIfCut(box, element, text) {
    if (box.scrollWidth > box.clientWidth) element.title = text;
    else if (element.title === text) element.removeAttribute('title');
  }

  var model = folderModel;
  var gridFocus = { row: 0, column: 0 }; // row -1 is the column headers
  var head = make('div', 'head');
  head.setAttribute('role', 'row');
  head.setAttribute('aria-rowindex', 1);
  var body = make('div', 'body');
  body.setAttribute('role', 'rowgroup');
  gridElement.appendChild(head);
  gridElement.appendChild(body);
  var empty = make('p', 'empty');
  body.appendChild(empty);

  var grid = new VirtualList(body, function (row, i) {
    row.setAttribute('role', 'row');
    row.setAttribute('aria-rowindex', i + 2);
    row.classList.toggle('focused', i === gridFocus.row);
    row.removeAttribute('id');
    row.textContent = '';
    model.cells(i).forEach(function (spec, k) {
      var cell = make('div', 'cell ' + model.columns[k].key);
      cell.setAttribute('role', 'gridcell');
      cell.id = 'cell-' + i + '-' + k;
      cell.classList.toggle('active', i === gridFocus.row && k === gridFocus.column);
      if (spec.href !== undefined) cell.appendChild(fileLink(spec));
      else if (spec.folder !== undefined) {
        cell.appendChild(folderLink(spec.folder, spec.text, spec.className));
      }
      else cell.textContent = spec.text;
      if (spec.title) cell.title = spec.title;
      row.appendChild(cell);
    });
  });

  grid.after = function (row) {
    [].forEach.call(row.querySelectorAll('.name, .where'), function (cell) {
      var link = cell.firstChild;
      if (link && link.tagName === 'A') {
        titleIfCut(cell, link, link.textContent +
          (link.classList.contains('dangling') ? ' (a link that leads nowhere)' : ''));
      }
    });
  };

  function showColumns() {
    var sort = model.sort;
    head.textContent = '';
    // A catalogue with digests has a column of them.
    if (model === folderModel) {
      folderModel.columns = view && view.digests ? [NAME, SIZE, TIME, DIGEST] : [NAME, SIZE, TIME];
    }
    model.columns.forEach(function (column, k) {
      var cell = make('div', 'cell ' + column.key);
      cell.setAttribute('role', 'columnheader');
      cell.id = 'head-' + k;
      cell.setAttribute('aria-sort', sort.column !== k ? 'none'
        : sort.direction > 0 ? 'ascending' : 'descending');
      var button = make('button', '', column.label + (sort.column !== k ? ''
        : sort.direction > 0 ? ' \u25b4' : ' \u25be'));
      button.tabIndex = -1;
      button.addEventListener('click', function () { sortBy(k); });
      cell.appendChild(button);
      cell.classList.toggle('active', gridFocus.row < 0 && gridFocus.column === k);
      head.appendChild(cell);
    });
    gridElement.setAttribute('aria-colcount', model.columns.length);
    gridElement.classList.toggle('results', model === resultsModel);
  }

  function showRows() {
    var count = model.count();
    empty.hidden = count > 0;
    empty.textContent = model === resultsModel ? (results.done ? 'No name matches.' : '')
      : extra(c, current).u !== undefined ? 'This folder could not be read.' : 'No files here.';
    gridElement.setAttribute('aria-rowcount', count + 1);
    gridFocus.row = Math.min(gridFocus.row, count - 1);
    grid.setCount(count);
  }

  function focusCell(row, column) {
    gridFocus.row = row;
    gridFocus.column = Math.max(0, Math.min(model.columns.length - 1, column));
    if (row >= 0) grid.reveal(row);
    else grid.render();
    showColumns();
    gridElement.setAttribute('aria-activedescendant', row < 0 ? 'head-' + gridFocus.column
      : 'cell-' + row + '-' + gridFocus.column);
  }

  /** `rows` (indices) in the order of `keys` in `direction`, unknown keys (NaN) first as the
   *  smallest, ties in the order they had. Keys may be BigInts, which compare with numbers
   *  but do not subtract. */
  function sortRows(rows, keys, direction) {
    for (var k = 0; k < keys.length; ++k) if (unknown(keys[k])) keys[k] = -Infinity;
    return rows.sort(function (a, b) {
      var x = keys[a], y = keys[b];
      return (x < y ? -direction : x > y ? direction : 0) || a - b;
    });
  }

  /** The order of the selected folder's files for the current sort; the catalogue's order
   *  is by name, so names need no comparison. */
  function sortFiles() {
    var sort = folderModel.sort, n = view.names.length, rows = new Int32Array(n), k;
    if (sort.column >= (view.digests ? 4 : 3)) sort.column = 0;
    for (k = 0; k < n; ++k) rows[k] = sort.direction > 0 ? k : n - 1 - k;
    var values = [null, view.sizes, view.times, view.digests][sort.column];
    if (values) sortRows(rows, Array.prototype.slice.call(values), sort.direction);
    order = rows;
  }

  /** The order of the results found so far for their sort, by a key of each. */
  function sortResults() {
    var sort = resultsModel.sort, n = results.length, keys = new Array(n), rows = new Int32Array(n);
    if (sort.column < 0) {
      results.order = null;
      return;
    }
    for (var r = 0; r < n; ++r) {
      var f = results.folder[r], file = results.file[r], files = file >= 0 ? results.files(f) : null;
      rows[r] = r;
      if (sort.column === 0) keys[r] = (files ? files.names[file] : c.name[f]).toLowerCase();
      else if (sort.column === 1) keys[r] = file >= 0 ? pathText(f) : f ? pathText(c.parent[f]) : '';
      else if (sort.column === 2) {
        keys[r] = !files ? c.treeBytes[f] : files.dangling[file] || !files.sizes ? NaN : files.sizes[file];
      }
      else keys[r] = files && files.times ? files.times[file] : NaN;
    }
    results.order = sortRows(rows, keys, sort.direction);
  }

  function sortBy(column) {
    var sort = model.sort;
    sort.direction = sort.column === column ? -sort.direction : 1;
    sort.column = column;
    if (model === folderModel) sortFiles();
    else sortResults();
    showColumns();
    grid.render();
  }

  gridElement.addEventListener('keydown', function (event) {
    var to = event.key === 'ArrowUp' && gridFocus.row === 0 ? -1 : moved(grid, event.key, gridFocus.row);
    if (to !== null && model.count() > 0) {
      focusCell(to, gridFocus.column);
    } else if (event.key === 'ArrowLeft' || event.key === 'ArrowRight') {
      focusCell(gridFocus.row, gridFocus.column + (event.key === 'ArrowLeft' ? -1 : 1));
    } else if (event.key === 'Enter' || event.key === ' ') {
      if (gridFocus.row < 0) {
        sortBy(gridFocus.column);
      } else if (gridFocus.row < model.count()) {
        var row = body.querySelector('#cell-' + gridFocus.row + '-0').parentNode;
        model.activate(gridFocus.row, Array.prototype.slice.call(row.children));
      }
    } else {
      return;
    }
    event.preventDefault();
  });

  // Focus that comes to the table from elsewhere (Tab) comes to its active cell; a press of
  // the pointer leaves the cell to its click, which would miss rows drawn anew under it.
  var pressed = false;
  gridElement.addEventListener('mousedown', function () { pressed = true; });
  window.addEventListener('mouseup', function () { pressed = false; });
  gridElement.addEventListener('focus', function () {
    if (!pressed) focusCell(model.count() > 0 ? gridFocus.row : -1, gridFocus.column);
  });

  gridElement.addEventListener('click', function (event) {
    var i = grid.indexOf(event.target);
    if (i < 0) return;
    var link = event.target.closest('a');
    // A result's folder is gone to here: its address may be the one already shown.
    if (model === resultsModel && link && link.getAttribute('href').charAt(0) === '#') {
      event.preventDefault();
      model.activate(i);
    } else {
      focusCell(i, link ? 0 : gridFocus.column);
    }
  });

  // ---- Selecting a folder -----------------------------------------------------------------

  function showPath() {
    var bar = byId('pathbar'), chain = [];
    bar.textContent = '';
    for (var f = current; f >= 0; f = c.parent[f]) chain.unshift(f);
    chain.forEach(function (f, k) {
      if (k) bar.appendChild(make('span', 'separator', '/'));
      var last = k === chain.length - 1;
      var part = last ? make('span', 'here', shown(c.name[f])) : folderLink(f, c.name[f]);
      if (last) part.setAttribute('aria-current', 'location');
      else part.tabIndex = 0;
      bar.appendChild(part);
    });
  }

  function showFolderStatus() {
    var f = current, unreadable = extra(c, f).u;
    var sub = children(c, f).length;
    statusElement.textContent = unreadable !== undefined
      ? 'This folder could not be read: ' + unreadable
      : filesText(c.files[f]) + ', ' + bytesText(c.bytes[f]) + (sub ? ' \u00b7 ' + grouped(sub) +
        (sub === 1 ? ' sub-folder' : ' sub-folders') + ' \u00b7 with everything beneath: ' +
        filesText(c.treeFiles[f]) + ', ' + bytesText(c.treeBytes[f]) : '');
  }

  /** Shows folder `f`: its place in the tree, its path and its files, with `file` in focus.
   *  `remember` makes it a step of the browser's history; otherwise it replaces the
   *  address, so that arrowing through the tree leaves one entry. */
  function go(f, remember, file) {
    var fragment = fragmentOf(c, f);
    if (fragment !== location.hash.slice(1)) {
      if (remember) location.hash = fragment;
      else history.replaceState(null, '', fragment ? '#' + fragment : location.href.split('#')[0]);
    }
    for (var p = c.parent[f]; p >= 0; p = c.parent[p]) setExpanded(p, true);
    showResults(false);
    if (f !== current) {
      current = f;
      view = filesOf(c, f);
      sortFiles();
      showPath();
      showFolderStatus();
      gridFocus.row = 0;
    }
    model = folderModel;
    showColumns();
    showRows();
    if (file !== undefined && file >= 0) {
      focusCell(Array.prototype.indexOf.call(order, file), 0);
      gridElement.focus();
    } else {
      grid.scroller.scrollTop = 0;
      grid.render();
    }
    var at = treeRows.indexOf(f);
    if (at >= 0) focusTreeRow(at);
    tree.render();
  }

  window.addEventListener('hashchange', function () {
    var f = folderOfFragment(c, location.hash.slice(1));
    if (f !== current || results) {
      // A link of the path bar, or Back, shows another folder: the link that had the focus
      // is gone with the old path, so the focus goes to the new folder's files.
      var had = document.activeElement;
      var lost = !had || had === document.body || byId('pathbar').contains(had);
      go(f, false);
      if (lost || !document.contains(had)) {
        (model.count() > 0 ? gridElement : treeElement).focus();
      } else if (had === gridElement) {
        focusCell(model.count() > 0 ? Math.max(gridFocus.row, 0) : -1, gridFocus.column);
      }
    }
  });

  // ---- Search -----------------------------------------------------------------------------

  /** A pattern as a regular expression over names: it matches any part of a name, `*` any
   *  run of characters and `?` one character, letters of any case. Null matches every name. */
  function patternExpression(pattern) {
    var core = pattern.replace(/\*+/g, '*').replace(/^\*|\*$/g, '');
    if (core === '') return null;
    var source = Array.from(core).map(function (ch) {
      return ch === '*' ? '[^/]*' : ch === '?' ? '[^/]' : ch.replace(/[\\^$.*+?()[\]{}|\/]/g, '\\$&');
    }).join('');
    return new RegExp(core.indexOf('/') >= 0 ? '(?!)' : source, 'giu');
  }

  /** A search over every folder's name, then every file's, a slice at a time. The results
   *  are pairs of a folder and a file in it (-1 for the folder itself). */
  function Search(pattern) {
    this.expression = patternExpression(pattern);
    this.length = 0;
    this.folders = 0; // results that are folders
    this.folder = new Int32Array(1024);
    this.file = new Int32Array(1024);
    this.next = 1; // the chosen folder's name is its whole path: it is not searched
    this.inFiles = false;
    this.done = false;
    this.cached = null;
  }

  Search.prototype.add = function (f, file) {
    if (this.length === this.folder.length) {
      var folder = new Int32Array(this.length * 2), files = new Int32Array(this.length * 2);
      folder.set(this.folder);
      files.set(this.file);
      this.folder = folder;
      this.file = files;
    }
    this.folder[this.length] = f;
    if (file < 0) ++this.folders;
    this.file[this.length++] = file;
  };

  /** Searches on until `deadline` (performance.now()) or the end. */
  Search.prototype.step = function (deadline) {
    var re = this.expression, n = c.count;
    while (!this.inFiles) {
      for (var end = Math.min(n, this.next + 512); this.next < end; ++this.next) {
        var name = c.name[this.next];
        if (!re) {
          this.add(this.next, -1);
        } else {
          re.lastIndex = 0;
          if (re.test(name)) this.add(this.next, -1);
        }
      }
      if (this.next === n) {
        this.inFiles = true;
        this.next = 0;
      }
      if (performance.now() > deadline) return;
    }
    for (; this.next < n; ++this.next) {
      var names = namesOf(c.records[this.next]);
      if (names) this.searchNames(this.next, names);
      if ((this.next & 63) === 0 && performance.now() > deadline) {
        ++this.next;
        return;
      }
    }
    this.done = true;
  };

  /** Adds every name of one folder's names (joined by "/") that matches. */
  Search.prototype.searchNames = function (f, names) {
    var re = this.expression, index = 0, from = 0, match;
    if (!re) {
      for (var k = c.files[f], i = 0; i < k; ++i) this.add(f, i);
      return;
    }
    re.lastIndex = 0;
    while ((match = re.exec(names)) !== null) {
      var separator = names.indexOf('/', from);
      while (separator !== -1 && separator < match.index) {
        ++index;
        from = separator + 1;
        separator = names.indexOf('/', from);
      }
      this.add(f, index);
      // The next match is looked for in the next name: each name counts once.
      if (separator === -1) break;
      re.lastIndex = from = separator + 1;
      ++index;
    }
  };

  /** The files of folder `f`, kept for the rows of the results that lie in it. */
  Search.prototype.files = function (f) {
    if (!this.cached || this.cached.folder !== f) this.cached = filesOf(c, f);
    return this.cached;
  };

  var searching = null; // the search whose slices are still to run
  var wake = new MessageChannel(); // a message comes back at once, unlike a timer

  wake.port1.onmessage = function () {
    if (!searching) return;
    searching.step(performance.now() + SLICE);
    showSearchStatus(searching);
    if (results === searching) showRows();
    if (searching.done) {
      if (results === searching && results.order) {
        sortResults(); // the rows found since it was sorted go in their places
        grid.render();
      }
      timings.searchDone = performance.now();
      searching = null;
    } else {
      wake.port2.postMessage(0);
    }
  };

  function showSearchStatus(s) {
    var text = grouped(s.length) + (s.length === 1 ? ' match' : ' matches');
    if (s.done) text += ' (' + grouped(s.folders) + ' folders, ' + filesText(s.length - s.folders) + ')';
    else text = 'Searching\u2026 ' + text + ' so far';
    statusElement.textContent = text;
  }

  function showResults(on) {
    if (!on) {
      if (results) {
        results = null;
        showPath();
        showFolderStatus();
      }
      return;
    }
    var bar = byId('pathbar');
    bar.textContent = '';
    bar.appendChild(make('span', 'here', 'Names in every folder'));
    results = searching || results;
    model = resultsModel;
    gridFocus.row = 0;
    gridFocus.column = 0;
    showColumns();
    showSearchStatus(results);
    grid.scroller.scrollTop = 0;
    showRows();
  }

  function startSearch(event) {
    var pattern = search.value;
    timings.keystroke = event && event.timeStamp ? event.timeStamp : performance.now();
    searching = null;
    if (pattern === '') {
      go(current, false);
      return;
    }
    var s = new Search(pattern);
    resultsModel.sort.column = -1;
    s.step(performance.now() + 4 * SLICE);
    searching = s.done ? null : s;
    results = s;
    showResults(true);
    timings.firstResults = performance.now();
    requestAnimationFrame(function () {
      timings.resultsPainted = performance.now();
    });
    if (searching) wake.port2.postMessage(0);
    else timings.searchDone = timings.firstResults;
  }

  search.addEventListener('input', startSearch);
  search.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') {
      search.value = '';
      startSearch(null);
    } else if (event.key === 'Enter' && search.value) {
      if (!results) startSearch(null);
      gridElement.focus();
      focusCell(0, 0);
    } else {
      return;
    }
    event.preventDefault();
  });

  document.addEventListener('keydown', function (event) {
    if (event.key === '/' && event.target !== search) {
      search.focus();
      event.preventDefault();
    }
  });

  // ---- Saving and printing the rows -------------------------------------------------------

  /** A field of a CSV line (RFC 4180): a number as it is, a text quoted, its quotes doubled,
   *  with a "'" before a text that a spreadsheet would take for a formula, as the command
   *  line's --spreadsheet-safe writes it. */
  function csvField(cell) {
    if (cell.number) return cell.csv;
    return '"' + (/^[=+\-@\t\r]/.test(cell.csv) ? "'" : '') + cell.csv.replace(/"/g, '""') + '"';
  }

  /** A file's name for what the page saves: no separators nor control characters. */
  function fileName(text) {
    return text.replace(/[\x00-\x1f\x7f\/\\:*?"<>|]+/g, '_').replace(/^[._]+/, '') || 'files';
  }

  /** Saves the rows of the table, in their order, as a CSV file that the browser downloads. */
  function saveRows() {
    var lines = [model.columns.map(function (column) {
      return csvField({ csv: column === SIZE ? 'Size (bytes)' : column.label });
    }).join(',')];
    for (var i = 0, n = model.count(); i < n; ++i) lines.push(model.cells(i).map(csvField).join(','));
    var blob = new Blob([lines.join('\r\n') + '\r\n'], { type: 'text/csv;charset=utf-8' });
    var link = make('a');
    link.href = URL.createObjectURL(blob);
    link.download = (results ? 'search ' + fileName(search.value) : fileName(shown(c.name[current].split('/').pop()))) + '.csv';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
  }

  byId('save').addEventListener('click', saveRows);

  // Only the rows in view are in the document: a printout gets the whole table (up to
  // PRINT_LIMIT rows, saying what it leaves out) while it is made, and the page drops it after.
  var printout = byId('printout');
  window.addEventListener('beforeprint', function () {
    var n = model.count(), printed = Math.min(n, PRINT_LIMIT);
    printout.textContent = '';
    printout.appendChild(make('h2', '', results ? 'Names in every folder matching \u201c' + search.value + '\u201d'
      : shown(pathText(current))));
    printout.appendChild(make('p', '', statusElement.textContent));
    if (printed < n) {
      printout.appendChild(make('p', 'left-out', 'The first ' + grouped(printed) + ' of ' + grouped(n) +
        ' rows are printed; the other ' + grouped(n - printed) + ' are left out.'));
    }
    var table = make('table'), row = make('tr');
    model.columns.forEach(function (column) { row.appendChild(make('th', column.key, column.label)); });
    table.appendChild(make('thead')).appendChild(row);
    var rows = table.appendChild(make('tbody'));
    for (var i = 0; i < printed; ++i) {
      row = rows.appendChild(make('tr'));
      model.cells(i).forEach(function (cell, k) { row.appendChild(make('td', model.columns[k].key, cell.text)); });
    }
    printout.appendChild(table);
  });
  window.addEventListener('afterprint', function () {
    printout.textContent = '';
  });

  showHeader();
  expanded[0] = 1;
  treeRows = [0].concat(shownBeneath(0));
  tree.setCount(treeRows.length);
  go(folderOfFragment(c, location.hash.slice(1)), false);
  timings.shown = performance.now();
  requestAnimationFrame(function () {
    timings.painted = performance.now();
  });
})();
