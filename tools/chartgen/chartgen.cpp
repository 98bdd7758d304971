// chartgen: scores the month's releases and writes the chart pages.
//
//   chartgen RELEASES.txt STANDINGS.txt OUTDIR
//
// Reads the month's releases (content/charts/releases.txt) and the earlier
// standings (content/charts/standings.txt), scores every release by the
// rules printed on the RULES page, and writes four page sources for pagec:
//   OUTDIR/01_monthly.page     the month's chart
//   OUTDIR/04_releases.page    every release of the month, group by group
//   OUTDIR/05_yearly.page      the year so far
//   OUTDIR/08_alltime.page     every point since the first issue
//   OUTDIR/figures.txt         figures the articles quote ("name = value"),
//                              filled into the pages by pagec's {=name}
// Both inputs are described in docs/content.md. Any malformed line stops the
// build with file:line and the reason. Output is deterministic.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "content/cp437.h"

namespace {

// ---------------------------------------------------------------- input

struct Release {
  std::string date;   // YYYY-MM-DD
  std::string group;
  std::string type;   // GAME, APP, DEMO (disc images) or DOX
  int size_mb = 0;
  bool nuked = false;
  std::string reason;  // why it was nuked
  std::string title;
  int points = 0;      // tenths, filled by score_month
  bool flood = false;  // scored nothing under the daily limit
};

struct Standing {
  int points = 0;  // tenths
  int releases = 0;
};

// Thrown by fail() once it has said why; main ends with status 1.
struct BuildFailed {};

[[noreturn]] void fail(const std::string& where, const std::string& why) {
  std::cerr << where << ": error: " << why << "\n";
  throw BuildFailed{};
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::vector<std::string> split_fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream ss(line);
  std::string f;
  while (std::getline(ss, f, '|')) out.push_back(trim(f));
  return out;
}

int parse_number(const std::string& s, const std::string& where) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) fail(where, "bad number '" + s + "'");
  return std::atoi(s.c_str());
}

// "123.5" -> 1235 tenths; exactly one decimal is required.
int parse_tenths(const std::string& s, const std::string& where) {
  size_t dot = s.find('.');
  if (dot == std::string::npos || dot + 2 != s.size()) fail(where, "points need one decimal: '" + s + "'");
  return parse_number(s.substr(0, dot), where) * 10 + parse_number(s.substr(dot + 1), where);
}

std::vector<std::vector<std::string>> read_records(const std::string& path, size_t fields) {
  std::ifstream in(path);
  if (!in) fail(path, "cannot read");
  std::vector<std::vector<std::string>> out;
  std::string raw;
  int lineno = 0;
  while (std::getline(in, raw)) {
    ++lineno;
    std::string t = trim(raw);
    if (t.empty() || t[0] == '#') continue;
    auto f = split_fields(t);
    if (f.size() != fields)
      fail(path + ":" + std::to_string(lineno), "expected " + std::to_string(fields) + " fields separated by '|'");
    f.push_back(path + ":" + std::to_string(lineno));
    out.push_back(f);
  }
  return out;
}

// ---------------------------------------------------------------- scoring

constexpr int kDailyLimit = 8;  // scoring releases per group and day

// Points of one release in tenths, before the daily limit.
int release_points(const Release& r) {
  if (r.nuked) return 0;
  if (r.type == "DOX") return r.size_mb >= 100 ? 15 : 10;
  int base = r.type == "GAME" ? 30 : r.type == "APP" ? 20 : 15;
  return base + std::min(20, 5 * (r.size_mb / 1000));
}

void score_month(std::vector<Release>& rels) {
  std::map<std::pair<std::string, std::string>, int> scored_today;
  for (Release& r : rels) {
    r.points = release_points(r);
    if (r.nuked) continue;
    int& n = scored_today[{r.group, r.date}];
    if (n >= kDailyLimit) {
      r.points = 0;
      r.flood = true;
    } else {
      ++n;
    }
  }
}

// ---------------------------------------------------------------- charts

struct Entry {
  std::string group;
  int points = 0;
  int releases = 0;
  int position = 0;
};

// Highest points first; equal points share a position, ordered by name, and
// the next position skips as many places as shared the one before.
std::vector<Entry> rank(const std::map<std::string, Standing>& table) {
  std::vector<Entry> out;
  for (auto& [g, s] : table)
    if (s.points > 0) out.push_back({g, s.points, s.releases, 0});
  std::stable_sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
    if (a.points != b.points) return a.points > b.points;
    return a.group < b.group;
  });
  for (size_t i = 0; i < out.size(); ++i)
    out[i].position = (i > 0 && out[i].points == out[i - 1].points) ? out[i - 1].position : static_cast<int>(i) + 1;
  return out;
}

std::string tenths(int t) { return std::to_string(t / 10) + "." + std::to_string(t % 10); }

std::string right(const std::string& s, size_t w) { return s.size() >= w ? s : std::string(w - s.size(), ' ') + s; }
std::string left(const std::string& s, size_t w) { return s.size() >= w ? s : s + std::string(w - s.size(), ' '); }

// A page line as text plus one colour attribute per column.
struct Styled {
  std::string text;    // code page 437 bytes
  std::string colour;  // same length as text
  void add(const std::string& s, char c) {
    text += s;
    colour += std::string(s.size(), c);
  }
};

// One line of a chart table in the fixed column layout.
Styled chart_line(const Entry& e, int prev_position, bool had_history) {
  std::string word, moved = "-";
  if (prev_position == 0) {
    word = had_history ? "BACK" : "NEW";
  } else if (prev_position == e.position) {
    word = "SAME";
  } else if (prev_position > e.position) {
    word = "UP";
    moved = std::to_string(prev_position - e.position);
  } else {
    word = "DOWN";
    moved = std::to_string(e.position - prev_position);
  }
  // The fixed columns hold positions up to 7 digits, points up to 99999.9 and
  // moves up to 99 places; anything wider would shift the columns after it.
  if (moved.size() > 2 || e.points > 999999 || e.position > 9999999)
    fail(e.group, "chart figures do not fit the chart columns");
  std::string name = e.group;
  if (name.size() > 24) name.resize(24);
  std::string text = right(std::to_string(e.position), 7) + ". " + name + std::string(24 - name.size(), '.') +
                     right(tenths(e.points), 8) + " ......" + right(std::to_string(e.releases), 11) + " ......" +
                     right(moved, 2) + " " + word;
  std::string colour(text.size(), '1');
  colour[7] = 'M';
  for (size_t c = 9 + name.size(); c < 33; ++c) colour[c] = '3';
  for (size_t c = 42; c < 48; ++c) colour[c] = '3';
  for (size_t c = 60; c < 66; ++c) colour[c] = '3';
  char wc = word == "SAME" ? 'P' : word == "UP" ? '7' : word == "DOWN" ? '4' : word == "NEW" ? 'D' : 'M';
  // The colour run covers the word's own columns: from column 70 (index 69), as long as the word.
  for (size_t c = 69; c < 69 + word.size(); ++c) colour[c] = wc;
  return {text, colour};
}

// ---------------------------------------------------------------- page output

struct PageWriter {
  std::ostringstream out;
  int lines = 0;

  explicit PageWriter(int page, const std::string& what) {
    out << "# Generated by tools/chartgen from content/charts/. Do not edit.\n# " << what << "\n@page " << page
        << "\n@colour 1\n@face 1\n";
  }
  // A line of styled text over a rule style; markup is emitted on colour changes.
  void line(const Styled& s, const std::string& rule = "0", char face = '1') {
    out << rule << "|";
    if (face != '1') out << "{f" << face << "}";
    char cur = '1';
    for (size_t i = 0; i < s.text.size(); ++i) {
      char c = i < s.colour.size() ? s.colour[i] : '1';
      if (c != cur) {
        out << "{" << c << "}";
        cur = c;
      }
      unsigned char b = static_cast<unsigned char>(s.text[i]);
      if (b == '{') out << "{{";
      else out << zel::cp437_to_utf8(b);
    }
    // Attributes of blank columns past the text.
    for (size_t i = s.text.size(); i < s.colour.size(); ++i) {
      if (s.colour[i] != cur) {
        out << "{" << s.colour[i] << "}";
        cur = s.colour[i];
      }
      out << "{_}";
    }
    // Keep trailing blanks of the text (a heading's 81st column).
    if (!s.text.empty() && s.text.back() == ' ' && s.colour.size() <= s.text.size()) out << "{}";
    out << "\n";
    ++lines;
  }
  void plain(const std::string& text, char colour = '1') { line(Styled{text, std::string(text.size(), colour)}); }
  void blank() { plain(""); }
  void rule(char style) { line(Styled{}, std::string(1, style)); }
  // A centred heading in the second face; 81 characters with a trailing blank.
  void heading(const std::string& title, char colour) {
    size_t pad = (80 - title.size()) / 2;
    std::string t = std::string(pad, ' ') + title;
    t.resize(80, ' ');
    t += ' ';
    line(Styled{t, std::string(t.size(), colour)}, "0", '2');
  }
  void save(const std::string& path) {
    std::ofstream f(path);
    f << out.str();
    if (!f) fail(path, "cannot write");
  }
};

const char kColumnHeading[] = "-- POSITIONS --- GROUPNAMES --- POINTS AMOUNT --- RELEASE AMOUNT --- MOVEMENT --";

Styled column_heading() {
  Styled s;
  std::string h = kColumnHeading;
  s.text = h;
  s.colour.resize(h.size());
  for (size_t i = 0; i < h.size(); ++i) s.colour[i] = h[i] == '-' ? '3' : 'D';
  return s;
}

struct Chart {
  std::map<std::string, Standing> now, before;
};

void write_chart(const std::string& path, int page, const std::string& title, const std::string& subtitle,
                 const Chart& c, const std::set<std::string>& history, const std::string& note) {
  PageWriter w(page, title);
  auto now = rank(c.now);
  auto prev = rank(c.before);
  std::map<std::string, int> prev_pos;
  for (auto& e : prev) prev_pos[e.group] = e.position;
  // Row 1 is the first row the panel shows whole when the page opens.
  w.blank();
  w.rule('8');
  w.heading(title, 'D');
  w.rule('8');
  w.plain(subtitle, '2');
  w.blank();
  w.line(column_heading());
  w.rule('4');
  int points = 0, releases = 0;
  for (auto& e : now) {
    auto it = prev_pos.find(e.group);
    w.line(chart_line(e, it == prev_pos.end() ? 0 : it->second, history.count(e.group) > 0));
    points += e.points;
    releases += e.releases;
  }
  w.rule('4');
  Styled sum;
  sum.add(std::to_string(now.size()), 'M');
  sum.add(" groups, ", '1');
  sum.add(std::to_string(releases), 'M');
  sum.add(" releases, ", '1');
  sum.add(tenths(points), 'M');
  sum.add(" points in all.", '1');
  w.line(sum);
  w.plain(note, '3');
  w.save(path);
}

std::string type_label(const Release& r) { return r.type == "DOX" ? "DOX     " : left("ISO " + r.type, 8); }

std::string box(char a, char fill, char b, size_t inner) {
  return std::string(1, a) + std::string(inner, fill) + std::string(1, b);
}

void write_release_list(const std::string& path, const std::vector<Release>& rels,
                        const std::vector<Entry>& month) {
  PageWriter w(4, "every release of the month, group by group");
  w.blank();
  w.rule('8');
  w.heading("GROUP RELEASE STATS", 'D');
  w.rule('8');
  w.plain("Every release of May 2010, group by group in chart order. A nuked release", '2');
  w.plain("scores nothing; past eight a day a group's releases score nothing (FLOOD).", '2');
  w.blank();
  int all_points = 0, all_releases = 0;
  for (const Entry& e : month) {
    std::vector<const Release*> mine;
    for (const Release& r : rels)
      if (r.group == e.group) mine.push_back(&r);
    std::string label = " " + std::to_string(e.position) + ". " + e.group + " ";
    const char h = static_cast<char>(0xC4), v = static_cast<char>(0xB3);
    w.plain(box(static_cast<char>(0xDA), h, static_cast<char>(0xBF), label.size()), 'G');
    Styled mid;
    mid.add(std::string(1, v), 'G');
    mid.add(label, 'D');
    mid.add(std::string(1, v), 'G');
    w.line(mid);
    w.plain(box(static_cast<char>(0xC0), h, static_cast<char>(0xD9), label.size()), 'G');
    w.plain(left(" DATE", 9) + left("TYPE", 8) + right("SIZE", 6) + "     " + left("TITLE", 44) + right("POINTS", 8), '3');
    int iso = 0, dox = 0, nuked = 0, pts = 0;
    for (const Release* r : mine) {
      Styled s;
      s.add(" " + r->date.substr(8, 2) + "." + r->date.substr(5, 2) + "   ", '2');
      s.add(type_label(*r), r->type == "DOX" ? 'Q' : 'S');
      s.add(right(std::to_string(r->size_mb), 6) + " MB  ", '2');
      std::string t = r->title;
      if (t.size() > 43) t.resize(43);
      s.add(left(t, 44), '1');
      if (r->nuked) s.add(right("NUKED", 8), '4');
      else if (r->flood) s.add(right("FLOOD", 8), 'M');
      else s.add(right(tenths(r->points), 8), '1');
      w.line(s);
      (r->type == "DOX" ? dox : iso) += 1;
      nuked += r->nuked ? 1 : 0;
      pts += r->points;
    }
    Styled total;
    std::string detail = " " + std::to_string(mine.size()) + (mine.size() == 1 ? " release" : " releases") + ": " +
                         std::to_string(iso) + " ISO, " + std::to_string(dox) + " DOX, " + std::to_string(nuked) +
                         " nuked";
    total.add(left(detail, 72), 'P');
    total.add(right(tenths(pts), 8), 'M');
    w.line(total);
    w.blank();
    all_points += pts;
    all_releases += static_cast<int>(mine.size());
  }
  if (all_releases != static_cast<int>(rels.size()))
    fail(path, "a group whose releases all scored nothing would be missing from the list");
  w.rule('8');
  Styled grand;
  grand.add(" THE MONTH: ", 'D');
  grand.add(std::to_string(month.size()) + " groups, " + std::to_string(all_releases) + " releases", '1');
  grand.add(right(tenths(all_points), 80 - grand.text.size()), 'M');
  w.line(grand);
  w.rule('8');
  w.save(path);
}

// ---------------------------------------------------------------- figures
//
// Every figure an article quotes from the data is computed here and written
// as "name = value"; the page sources name it as {=name} and pagec fills it
// in, so a changed data set cannot leave a stale number in an article. Names
// are lower case words joined by dots, ending in a group name where the
// figure belongs to one group:
//
//   month.* / year.* / all.*  the three charts: points.G, releases.G, pos.G
//                          (position), place.G ("30th"), prev.G (position in the table of
//                          issue 42), gain.G (points against that table),
//                          lead (points between first and second),
//                          prev.lead (the same in issue 42's table),
//                          groups, releases, total (all groups together),
//                          moved.G (places up since issue 42, negative
//                          down), rate.G and rate (points per release),
//                          share.G (per cent of all points, one decimal)
//   all.without.2010       groups of the all-time table with no 2010 points
//   standing.P.points.G, standing.P.total  what the data file gives for an
//                          earlier period P (before-2010, 2010-01 .. 2010-04)
//   all.passed.A.B         the day A went ahead of B in the all-time table
//                          for good, for every A that passed B during May
//   may.*                  the month's releases of group G: days.G (days with
//                          a release), games.G, apps.G, demos.G, dox.G,
//                          dox.scored.G, nuked.G, flood.G (releases past the
//                          daily limit), flood.points.G (what they would have
//                          scored), flood.days.G ("1, 4 and 14 May"),
//                          flood.weekdays.G ("a Saturday and a Friday"),
//                          most.in.a.day.G, full.days.G (days at the limit
//                          exactly), image.mb.G ("410,055") and image.gb.G
//                          (whole gigabytes of disc images), big.games.G
//                          (games of 4000 MB and more), images.G (disc
//                          images), on.D.G (releases
//                          on day D of May); may.on.D the same for all groups
//   may.nuked, may.nuke.least, may.nuke.most  nuked releases and the least
//                          and most one of them would have scored;
//                          may.nuked.for.R  nukes for reason R
//   may.type.T.releases, .nuked, .flood, .points, .share  the month's releases
//                          of type T (GAME, APP, DEMO, DOX); share is the per
//                          cent of all points
//   may.flood, may.images  releases past the limit; disc images
//   may.bonus.B            disc images whose size earns bonus B (0.0 .. 2.0)
//   may.dox.big            DOX of 100 MB and more
//   standing.P.releases    releases of period P; standing.before-2010.per.month
//                          the same per month of November 2006..December 2009
//   standing.P.leader, standing.P.lead  the first group of period P and its
//                          lead over the second
//   month.most.up (and year., all.)  the most places a group climbed
//   month.behind.G (year., all.)  points between G and the group one place up
//   month.most.releases (year., all.)  the group with the most releases
//   month.ties (year., all.)  positions shared by two or more groups
//   may.busiest.day        the day of May with the most releases
//   month.back, month.gone  groups back after a gap; groups of the table
//                          before that are not in this one (lists)
//   may.nuked.for.R.G      group G's nukes for reason R
//   year.fallers.releasing May's releasers that lost places in the year table
//   year.silent.in.may     groups of the year table without a May release
//   year.newcomers(.count), month.newcomers(.count)  the groups whose first
//                          points came in January..April 2010, or in May
//   may.flood.on.D.G, may.flood.points.on.D.G  releases past the limit on
//                          day D and what they would have scored
//   may.big.games.scored.G games of 4000 MB and more that scored
//   may.images.scored, may.bonus.earned.B, may.dox.big.scored  the same
//                          counts as above, of releases that scored
//   may.type.T.largest     the largest release of type T, in MB
//   mb.TITLE               the size of the release with that title
//   all.gaps.over.10.60.110  of the gaps between neighbouring places 60..110
//                          of the all-time table, how many exceed ten points

// 410055 -> "410,055".
std::string thousands(long n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

int day_of(const Release& r) { return std::atoi(r.date.c_str() + 8); }

// "1 May", "1 and 4 May", "1, 4 and 14 May"; "" for none.
std::string list_words(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i)
    out += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  return out;
}

std::string day_list(const std::vector<int>& days) {
  std::vector<std::string> s;
  for (int d : days) s.push_back(std::to_string(d));
  return s.empty() ? "" : list_words(s) + " May";
}

// 1 May 2010 was a Saturday.
std::string weekday_of_may(int day) {
  static const char* const kNames[7] = {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};
  return kNames[(day - 1) % 7];
}

struct FigureWriter {
  std::map<std::string, std::string> values;
  // An empty figure is left out, so that quoting it stops the build.
  void set(const std::string& name, const std::string& value) {
    if (!value.empty()) values[name] = value;
  }
  void set(const std::string& name, long value) { values[name] = std::to_string(value); }
  void save(const std::string& path) {
    std::ofstream f(path);
    f << "# Generated by tools/chartgen from content/charts/. Do not edit.\n";
    for (auto& [k, v] : values) f << k << " = " << v << "\n";
    if (!f) fail(path, "cannot write");
  }
};

// Points (tenths) per release with two decimals, rounded half up.
std::string per_release(int tenths, int releases) {
  if (releases == 0) return "";
  long hundredths = (tenths * 100L / releases + 5) / 10;
  std::string frac = std::to_string(hundredths % 100);
  return std::to_string(hundredths / 100) + "." + (frac.size() < 2 ? "0" : "") + frac;
}

void chart_figures(FigureWriter& fig, const std::string& prefix, const Chart& c, const std::set<std::string>& history) {
  auto now = rank(c.now), before = rank(c.before);
  for (const Entry& e : now) {
    fig.set(prefix + ".points." + e.group, tenths(e.points));
    fig.set(prefix + ".releases." + e.group, e.releases);
    fig.set(prefix + ".pos." + e.group, e.position);
    int tens = e.position % 100, ones = e.position % 10;
    const char* suffix = tens >= 11 && tens <= 13 ? "th" : ones == 1 ? "st" : ones == 2 ? "nd" : ones == 3 ? "rd" : "th";
    fig.set(prefix + ".place." + e.group, std::to_string(e.position) + suffix);
  }
  for (const Entry& e : before) fig.set(prefix + ".prev." + e.group, e.position);
  for (auto& [g, s] : c.now) {
    auto was = c.before.find(g);
    int gain = s.points - (was == c.before.end() ? 0 : was->second.points);
    if (s.points > 0) fig.set(prefix + ".gain." + g, (gain < 0 ? "-" : "") + tenths(std::abs(gain)));
  }
  if (now.size() > 1) fig.set(prefix + ".lead", tenths(now[0].points - now[1].points));
  if (before.size() > 1) fig.set(prefix + ".prev.lead", tenths(before[0].points - before[1].points));
  int total = 0, releases = 0;
  for (const Entry& e : now) total += e.points, releases += e.releases;
  std::map<std::string, int> was;
  for (const Entry& e : before) was[e.group] = e.position;
  for (const Entry& e : now) {
    if (was.count(e.group)) fig.set(prefix + ".moved." + e.group, was[e.group] - e.position);
    fig.set(prefix + ".rate." + e.group, per_release(e.points, e.releases));
  }
  fig.set(prefix + ".rate", per_release(total, releases));
  // The biggest climb, the groups back after a gap and those that dropped out.
  int most_up = 0;
  std::vector<std::string> back, gone;
  for (const Entry& e : now) {
    if (was.count(e.group)) most_up = std::max(most_up, was[e.group] - e.position);
    else if (history.count(e.group)) back.push_back(e.group);
  }
  for (const Entry& e : before)
    if (std::none_of(now.begin(), now.end(), [&](const Entry& n) { return n.group == e.group; }))
      gone.push_back(e.group);
  fig.set(prefix + ".most.up", most_up);
  for (size_t i = 1; i < now.size(); ++i) fig.set(prefix + ".behind." + now[i].group, tenths(now[i - 1].points - now[i].points));
  // The group with the most releases; how many positions are shared.
  const Entry* busiest = nullptr;
  int ties = 0;
  for (size_t i = 0; i < now.size(); ++i) {
    if (!busiest || now[i].releases > busiest->releases) busiest = &now[i];
    ties += i > 0 && now[i].position == now[i - 1].position && (i < 2 || now[i - 2].position != now[i].position);
  }
  if (busiest) fig.set(prefix + ".most.releases", busiest->group);
  fig.set(prefix + ".ties", ties);
  fig.set(prefix + ".back", list_words(back));
  fig.set(prefix + ".gone", list_words(gone));
  for (const Entry& e : now)
    if (total > 0) fig.set(prefix + ".share." + e.group, tenths((e.points * 2000L / total + 1) / 2));
  fig.set(prefix + ".groups", static_cast<long>(now.size()));
  fig.set(prefix + ".releases", releases);
  fig.set(prefix + ".total", tenths(total));
}

void month_figures(FigureWriter& fig, const std::vector<Release>& rels) {
  std::map<std::string, std::vector<const Release*>> by_group;
  for (const Release& r : rels) by_group[r.group].push_back(&r);
  for (auto& [g, mine] : by_group) {
    std::map<int, int> per_day, flood_on, flood_points_on;
    std::set<int> flood_days;
    long image_mb = 0;
    int games = 0, apps = 0, demos = 0, dox = 0, dox_scored = 0, nuked = 0, flood = 0, flood_points = 0, big = 0;
    int big_scored = 0;
    std::map<std::string, int> reasons;
    for (const Release* r : mine) {
      ++per_day[day_of(*r)];
      big_scored += r->type == "GAME" && r->size_mb >= 4000 && r->points > 0;
      if (r->type == "DOX") {
        ++dox;
        dox_scored += r->points > 0;
      } else {
        image_mb += r->size_mb;
      }
      games += r->type == "GAME";
      apps += r->type == "APP";
      demos += r->type == "DEMO";
      big += r->type == "GAME" && r->size_mb >= 4000;
      nuked += r->nuked;
      if (r->nuked) ++reasons[r->reason];
      if (r->flood) {
        ++flood;
        flood_points += release_points(*r);
        flood_days.insert(day_of(*r));
        ++flood_on[day_of(*r)];
        flood_points_on[day_of(*r)] += release_points(*r);
      }
    }
    int most = 0;
    std::vector<int> full;
    for (auto& [d, n] : per_day) {
      fig.set("may.on." + std::to_string(d) + "." + g, n);
      most = std::max(most, n);
      if (n == kDailyLimit) full.push_back(d);
    }
    std::vector<std::string> weekdays;
    for (int d : flood_days) weekdays.push_back("a " + weekday_of_may(d));
    fig.set("may.days." + g, static_cast<long>(per_day.size()));
    fig.set("may.games." + g, games);
    fig.set("may.apps." + g, apps);
    fig.set("may.demos." + g, demos);
    fig.set("may.dox." + g, dox);
    fig.set("may.dox.scored." + g, dox_scored);
    fig.set("may.nuked." + g, nuked);
    fig.set("may.flood." + g, flood);
    fig.set("may.flood.points." + g, tenths(flood_points));
    fig.set("may.flood.days." + g, day_list({flood_days.begin(), flood_days.end()}));
    fig.set("may.flood.weekdays." + g, list_words(weekdays));
    fig.set("may.most.in.a.day." + g, most);
    fig.set("may.full.days." + g, day_list(full));
    fig.set("may.image.mb." + g, thousands(image_mb));
    fig.set("may.image.gb." + g, image_mb / 1000);
    fig.set("may.big.games." + g, big);
    fig.set("may.big.games.scored." + g, big_scored);
    for (auto& [reason, n] : reasons) fig.set("may.nuked.for." + reason + "." + g, n);
    for (auto& [d, n] : flood_on) {
      fig.set("may.flood.on." + std::to_string(d) + "." + g, n);
      fig.set("may.flood.points.on." + std::to_string(d) + "." + g, tenths(flood_points_on[d]));
    }
    fig.set("may.images." + g, games + apps + demos);
  }
  std::map<int, int> per_day;
  std::map<std::string, int> type_count, type_nuked, type_flood, type_points, type_largest, bonus, earned;
  int flood = 0, images = 0, images_scored = 0, dox_big = 0, dox_big_scored = 0, points = 0;
  for (const Release& r : rels) {
    type_largest[r.type] = std::max(type_largest[r.type], r.size_mb);
    // A title's size; a dupe repeats its original's title and size.
    if (!r.nuked || r.reason != "dupe") fig.set("mb." + r.title, r.size_mb);
    ++per_day[day_of(r)];
    ++type_count[r.type];
    type_nuked[r.type] += r.nuked;
    type_flood[r.type] += r.flood;
    type_points[r.type] += r.points;
    points += r.points;
    flood += r.flood;
    if (r.type == "DOX") {
      dox_big += r.size_mb >= 100;
      dox_big_scored += r.size_mb >= 100 && r.points > 0;
    } else {
      std::string b = tenths(std::min(20, 5 * (r.size_mb / 1000)));
      ++images;
      ++bonus[b];
      // Only a release that scores earns its bonus.
      if (r.points > 0) ++images_scored, ++earned[b];
    }
  }
  for (auto& [t, mb] : type_largest) fig.set("may.type." + t + ".largest", mb);
  for (auto& [b, n] : earned) fig.set("may.bonus.earned." + b, n);
  fig.set("may.images.scored", images_scored);
  fig.set("may.dox.big.scored", dox_big_scored);
  for (auto& [t, n] : type_count) {
    fig.set("may.type." + t + ".releases", n);
    fig.set("may.type." + t + ".nuked", type_nuked[t]);
    fig.set("may.type." + t + ".flood", type_flood[t]);
    fig.set("may.type." + t + ".points", tenths(type_points[t]));
    if (points > 0) fig.set("may.type." + t + ".share", (type_points[t] * 200L / points + 1) / 2);
  }
  for (auto& [b, n] : bonus) fig.set("may.bonus." + b, n);
  fig.set("may.flood", flood);
  fig.set("may.images", images);
  fig.set("may.dox.big", dox_big);
  for (auto& [d, n] : per_day) fig.set("may.on." + std::to_string(d), n);
  auto busiest = std::max_element(per_day.begin(), per_day.end(),
                                  [](const auto& a, const auto& b) { return a.second < b.second; });
  if (busiest != per_day.end()) fig.set("may.busiest.day", busiest->first);
  int nuked = 0, least = 1 << 30, most = 0;
  std::map<std::string, int> for_reason;
  for (const Release& r : rels) {
    if (!r.nuked) continue;
    Release scored = r;
    scored.nuked = false;
    ++nuked;
    ++for_reason[r.reason];
    least = std::min(least, release_points(scored));
    most = std::max(most, release_points(scored));
  }
  fig.set("may.nuked", nuked);
  for (auto& [reason, n] : for_reason) fig.set("may.nuked.for." + reason, n);
  if (nuked > 0) {
    fig.set("may.nuke.least", tenths(least));
    fig.set("may.nuke.most", tenths(most));
  }
}

// The day each group went ahead of another in the all-time table for good,
// from the totals at the end of every day of May.
void passing_figures(FigureWriter& fig, const std::vector<Release>& rels, const Chart& all) {
  std::map<std::string, int> total;
  for (auto& [g, s] : all.before) total[g] = s.points;
  std::map<std::pair<std::string, std::string>, int> ahead_since;  // (a, b) -> day a last went ahead of b
  std::map<std::string, int> start = total;
  for (int day = 1; day <= 31; ++day) {
    std::map<std::string, int> before_day = total;
    for (const Release& r : rels)
      if (day_of(r) == day) total[r.group] += r.points;
    for (auto& [a, pa] : total)
      for (auto& [b, pb] : total)
        if (a != b && pa > pb && before_day[a] <= before_day[b]) ahead_since[{a, b}] = day;
  }
  for (auto& [pair, day] : ahead_since) {
    const auto& [a, b] = pair;
    if (start[a] <= start[b] && total[a] > total[b])
      fig.set("all.passed." + a + "." + b, day_list({day}));
  }
}

void gap_figures(FigureWriter& fig, const Chart& all) {
  auto table = rank(all.now);
  int wide = 0;
  for (size_t i = 60; i < 110 && i < table.size(); ++i) wide += table[i - 1].points - table[i].points > 100;
  fig.set("all.gaps.over.10.60.110", wide);
}

}  // namespace

int run(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: chartgen RELEASES.txt STANDINGS.txt OUTDIR\n";
    return 2;
  }
  std::vector<Release> rels;
  for (auto& f : read_records(argv[1], 6)) {
    const std::string& where = f[6];
    Release r;
    r.date = f[0];
    if (r.date.size() != 10 || r.date.compare(0, 8, "2010-05-") != 0) fail(where, "date must be in May 2010");
    r.group = f[1];
    if (r.group.empty() || r.group.size() > 24) fail(where, "group name must have 1..24 characters");
    r.type = f[2];
    if (r.type != "GAME" && r.type != "APP" && r.type != "DEMO" && r.type != "DOX") fail(where, "unknown type");
    r.size_mb = parse_number(f[3], where);
    if (f[4] == "OK") {
      r.nuked = false;
    } else if (f[4].compare(0, 6, "NUKED:") == 0) {
      r.nuked = true;
      r.reason = f[4].substr(6);
    } else {
      fail(where, "status must be OK or NUKED:reason");
    }
    r.title = f[5];
    for (unsigned char ch : r.title)
      if (ch < 0x20 || ch > 0x7E) fail(where, "titles are plain ASCII");
    rels.push_back(r);
  }
  if (!std::is_sorted(rels.begin(), rels.end(), [](const Release& a, const Release& b) { return a.date < b.date; }))
    fail(argv[1], "releases must be in date order");
  score_month(rels);

  // Earlier standings: "before-2010" and the months 2010-01 .. 2010-04.
  std::map<std::string, std::map<std::string, Standing>> periods;
  FigureWriter fig;
  for (auto& f : read_records(argv[2], 4)) {
    const std::string& where = f[4];
    if (f[0] != "before-2010" && !(f[0].size() == 7 && f[0] >= "2010-01" && f[0] <= "2010-04"))
      fail(where, "period must be before-2010 or 2010-01 .. 2010-04");
    Standing& s = periods[f[0]][f[1]];
    if (s.releases != 0) fail(where, "standing given twice");
    s.points = parse_tenths(f[2], where);
    s.releases = parse_number(f[3], where);
  }

  for (auto& [period, table] : periods) {
    int total = 0;
    for (auto& entry : table) {
      fig.set("standing." + period + ".points." + entry.first, tenths(entry.second.points));
      total += entry.second.points;
    }
    fig.set("standing." + period + ".total", tenths(total));
    int releases = 0;
    for (auto& entry : table) releases += entry.second.releases;
    fig.set("standing." + period + ".releases", releases);
    // November 2006 to December 2009 are 38 months.
    if (period == "before-2010") fig.set("standing.before-2010.per.month", (releases + 19) / 38);
    auto ranked = rank(table);
    if (ranked.size() > 1) {
      fig.set("standing." + period + ".leader", ranked[0].group);
      fig.set("standing." + period + ".lead", tenths(ranked[0].points - ranked[1].points));
    }
  }

  Chart month, year, all;
  std::set<std::string> history;  // groups with points before May 2010
  for (auto& [period, table] : periods)
    for (auto& entry : table) {
      const std::string& g = entry.first;  // named, not bound: lambdas may not capture bindings
      const auto& s = entry.second;
      if (s.points > 0) history.insert(g);
      if (period == "2010-04") month.before[g] = s;
      auto add = [&](Chart& c) {
        c.before[g].points += s.points;
        c.before[g].releases += s.releases;
        c.now[g].points += s.points;
        c.now[g].releases += s.releases;
      };
      add(all);
      if (period != "before-2010") add(year);
    }
  for (const Release& r : rels)
    for (Chart* c : {&month, &year, &all}) {
      c->now[r.group].points += r.points;
      c->now[r.group].releases += 1;
    }

  std::string dir = argv[3];
  write_chart(dir + "/01_monthly.page", 1, "MONTHLY CHART - MAY 2010",
              "Every release dated 1 to 31 May 2010, scored by the rules behind RULES.", month, history,
              "Movement against the April chart of issue 42.");
  write_chart(dir + "/05_yearly.page", 5, "YEARLY CHART 2010",
              "The points of January to May 2010 added up, group by group.", year, history,
              "Movement against the January to April table of issue 42.");
  write_chart(dir + "/08_alltime.page", 8, "ALLTIME CHART",
              "Every point scored since the first issue, November 2006 to May 2010.", all, history,
              "Movement against the all-time table of issue 42.");
  write_release_list(dir + "/04_releases.page", rels, rank(month.now));

  chart_figures(fig, "month", month, history);
  chart_figures(fig, "year", year, history);
  chart_figures(fig, "all", all, history);
  month_figures(fig, rels);
  passing_figures(fig, rels, all);
  gap_figures(fig, all);
  int silent = 0;
  for (const Entry& e : rank(all.now)) {
    auto it = year.now.find(e.group);
    silent += it == year.now.end() || it->second.points == 0;
  }
  fig.set("all.without.2010", silent);
  // Groups whose first points came in January to April 2010, and in May.
  std::vector<std::string> new_in_year, new_in_month;
  for (auto& [g, s] : year.now) {
    if (s.points == 0 || history.count(g) == 0) continue;
    auto before = periods["before-2010"].find(g);
    if (before == periods["before-2010"].end() || before->second.points == 0) new_in_year.push_back(g);
  }
  for (const Entry& e : rank(month.now))
    if (history.count(e.group) == 0) new_in_month.push_back(e.group);
  std::sort(new_in_month.begin(), new_in_month.end());
  int silent_in_may = 0;
  for (auto& [g, s] : year.now) {
    auto m = month.now.find(g);
    silent_in_may += s.points > 0 && (m == month.now.end() || m->second.releases == 0);
  }
  fig.set("year.silent.in.may", silent_in_may);
  std::map<std::string, int> year_was, year_is;
  for (const Entry& e : rank(year.before)) year_was[e.group] = e.position;
  for (const Entry& e : rank(year.now)) year_is[e.group] = e.position;
  std::vector<std::string> fell;
  for (auto& [g, pos] : year_is)
    if (month.now.count(g) && month.now.at(g).releases > 0 && year_was.count(g) && year_was[g] < pos) fell.push_back(g);
  fig.set("year.fallers.releasing", list_words(fell));
  fig.set("year.newcomers", list_words(new_in_year));
  fig.set("year.newcomers.count", static_cast<long>(new_in_year.size()));
  fig.set("month.newcomers", list_words(new_in_month));
  fig.set("month.newcomers.count", static_cast<long>(new_in_month.size()));
  fig.save(dir + "/figures.txt");
  return 0;
}

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const BuildFailed&) {
    return 1;
  }
}
