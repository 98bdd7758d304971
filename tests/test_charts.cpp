// The chart pages against a recomputation from the data set in content/charts/.
//
// The scoring, ranking and line layout are rebuilt here from the rules as the
// RULES page states them, independently of tools/chartgen, and compared with
// the compiled pages 1, 5 and 8.

#include <cctype>
#include <cmath>
#include <cstdio>
#include <regex>

#include "content/content.h"
#include "tests/support.h"

namespace zel {
namespace {

using Row = std::vector<std::string>;

// The data lines of a file in content/charts/, split at " | ".
std::vector<Row> read_data(const std::string& name) {
  std::ifstream in(std::string(ZEL_SOURCE_DIR) + "/content/charts/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::vector<Row> out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Row& r = out.emplace_back();
    for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 3) {
      bar = line.find(" | ", start);
      r.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    }
  }
  return out;
}

struct Score { long tenths = 0; int releases = 0; };
using Table = std::map<std::string, Score>;

void add(Table& t, const std::string& group, Score s) { t[group].tenths += s.tenths, t[group].releases += s.releases; }

// What a release that scores is worth, in tenths: a game disc 3, an
// application 2, a demo 1.5, plus half a point per full 1000 MB of a disc
// image up to 2; documentation 1, or 1.5 from 100 MB.
long worth(const std::string& type, int mb) {
  if (type == "DOX") return mb >= 100 ? 15 : 10;
  return (type == "GAME" ? 30 : type == "APP" ? 20 : 15) + std::min(mb / 1000, 4) * 5;
}

// Points of the month per group: nuked releases score nothing, and neither do
// a group's ninth and later scoring releases of one day.
Table score_may() {
  Table t;
  std::map<std::string, int> per_day;
  for (const Row& r : read_data("releases.txt")) {
    t[r[1]].releases += 1;
    if (r[4] == "OK" && ++per_day[r[1] + "@" + r[0]] <= 8) t[r[1]].tenths += worth(r[2], std::stoi(r[3]));
  }
  return t;
}

long tenths_of(const std::string& s) {  // "  12.5" -> 125
  return std::stol(s.substr(0, s.find('.'))) * 10 + std::stol(s.substr(s.find('.') + 1));
}

// The three charts before and after May: the month against April, the year
// (January..May) and all time; and the groups that scored before May.
struct Charts {
  Table month = score_may(), april, year_before, year, all_before, all;
  std::set<std::string> history;
  Charts() {
    for (const Row& r : read_data("standings.txt")) {
      Score sc{tenths_of(r[2]), std::stoi(r[3])};
      if (sc.tenths > 0) history.insert(r[1]);
      add(all_before, r[1], sc);
      if (r[0] != "before-2010") add(year_before, r[1], sc);
      if (r[0] == "2010-04") april[r[1]] = sc;
    }
    year = year_before;
    all = all_before;
    for (auto& [g, sc] : month) {
      add(year, g, sc);
      add(all, g, sc);
    }
  }
};

struct Ranked { std::string group; Score s; int pos; };

std::vector<Ranked> ranking(const Table& t) {
  std::vector<Ranked> v;
  for (auto& [g, s] : t)
    if (s.tenths > 0) v.push_back({g, s, 1});
  std::sort(v.begin(), v.end(), [](const Ranked& a, const Ranked& b) {
    return a.s.tenths != b.s.tenths ? a.s.tenths > b.s.tenths : a.group < b.group;
  });
  // Position = 1 + the number of groups with strictly more points.
  for (Ranked& e : v)
    for (const Ranked& o : v) e.pos += o.s.tenths > e.s.tenths;
  return v;
}

// The expected text and colour line of one chart entry: position to column
// 7, the group from column 10 dotted to 33, points to 41, releases to 59, the
// movement to 68 and its word from 70, coloured over the word's own columns.
std::pair<std::string, std::string> expected_line(const Ranked& e, int prev, bool history) {
  std::string word = prev == 0 ? (history ? "BACK" : "NEW") : prev == e.pos ? "SAME" : prev > e.pos ? "UP" : "DOWN";
  char wc = prev == 0 ? (history ? 'M' : 'D') : prev == e.pos ? 'P' : prev > e.pos ? '7' : '4';
  std::string move = prev == 0 || prev == e.pos ? "-" : std::to_string(std::abs(prev - e.pos));
  std::string pts = std::to_string(e.s.tenths / 10) + "." + std::to_string(e.s.tenths % 10);
  std::string group = e.group + std::string(24 - e.group.size(), '.');
  char text[128];
  std::snprintf(text, sizeof text, "%7d. %s%8s ......%11d ......%2s %s", e.pos, group.c_str(), pts.c_str(),
                e.s.releases, move.c_str(), word.c_str());
  std::string colour(80, '1');
  auto paint = [&](size_t from, size_t to, char c) { std::fill(colour.begin() + from - 1, colour.begin() + to, c); };
  paint(8, 8, 'M');
  paint(10 + e.group.size(), 33, '3');
  paint(43, 48, '3');
  paint(61, 66, '3');
  paint(70, 69 + word.size(), wc);
  return {text, colour};
}

void expect_chart(int page, const Table& now, const Table& before, const std::set<std::string>& history) {
  const char kHeading[] = "-- POSITIONS --- GROUPNAMES --- POINTS AMOUNT --- RELEASE AMOUNT --- MOVEMENT --";
  int first = 0;
  while (first < 40 && PageTables::text(first, page) != kHeading) ++first;
  ASSERT_LT(first, 40) << "no column heading";
  first += 2;  // the heading, then a rule line
  ASSERT_EQ(PageTables::rule(first - 1, page), "4");
  auto want = ranking(now);
  std::map<std::string, int> prev;
  for (auto& r : ranking(before)) prev[r.group] = r.pos;
  for (size_t i = 0; i < want.size(); ++i) {
    int l = first + static_cast<int>(i);
    const std::string& g = want[i].group;
    auto [text, colour] = expected_line(want[i], prev.count(g) ? prev[g] : 0, history.count(g));
    EXPECT_EQ(PageTables::text(l, page), text) << "line " << l;
    EXPECT_EQ(PageTables::colour(l, page), colour) << "line " << l;
    EXPECT_EQ(PageTables::face(l, page), std::string(80, '1'));
    EXPECT_EQ(PageTables::rule(l, page), "0");
  }
  // The table ends right after the last group.
  EXPECT_EQ(PageTables::rule(first + static_cast<int>(want.size()), page), "4");
}

// Monthly (page 1): May scored by the rules against April; yearly (page 5):
// May added to January..April; all-time (page 8): May added to every earlier point.
TEST(Charts, PagesOneFiveAndEightAreTheDataScoredAndRankedByTheRules) {
  const Charts c;
  const std::tuple<int, const Table*, const Table*> charts[] = {
      {1, &c.month, &c.april}, {5, &c.year, &c.year_before}, {8, &c.all, &c.all_before}};
  for (auto [page, now, before] : charts) {
    SCOPED_TRACE("page " + std::to_string(page));
    expect_chart(page, *now, *before, c.history);
  }
  // The data set exercises shared positions (and the skip after them) on page 8.
  auto all = ranking(c.all);
  int shared = 0;
  for (size_t i = 1; i < all.size(); ++i) shared += all[i].pos == all[i - 1].pos;
  EXPECT_GT(shared, 0);
}

// The release list reads as made by people: only a dupe repeats a title, and
// it repeats an earlier one; only a disc image can be broken; documentation
// covers a game released before it; a series (a title up to its colon, an
// application without its version, a sequel without its number) belongs to
// one group, is no group's name, and its versions and sequel numbers never go
// back. The groups' names are varied: no first word is shared by more than two.
// A month that looks lived-in: one new version of a product a month, at most
// three DOX packs per game, a dupe the size of the image it repeats, a given
// name opening at most two series, and no two group names alike (a shared
// word, the same first four letters, or one word the start or the end of
// another: Marrow Street and Marram Grass, Tin Owl and Tinderbox).
TEST(ReleaseData, TitlesFollowTheRulesOfTheirTypeAMonthLooksLivedInAndGroupNamesAreVaried) {
  std::set<std::string> groups, titles, games;
  for (const char* file : {"releases.txt", "standings.txt"})
    for (const Row& r : read_data(file)) groups.insert(r[1]);
  EXPECT_GT(groups.size(), 160u);
  std::map<std::string, int> first_words;
  for (const std::string& g : groups) EXPECT_LE(++first_words[g.substr(0, g.find(' '))], 2) << g;
  std::map<std::string, std::string> owner;  // type and series -> group
  std::map<std::string, std::vector<long>> last;  // type and series -> rank of its latest release
  std::map<std::string, std::string> size_of;           // type and title -> MB
  std::map<std::string, int> versions, packs;           // product -> versions; game -> DOX
  std::map<std::string, std::set<std::string>> given;   // given name -> series
  std::string part;
  for (const Row& r : read_data("releases.txt")) {
    const std::string &group = r[1], &type = r[2], &status = r[4], &title = r[5];
    SCOPED_TRACE(r[0] + " " + group + ": " + title);
    if (!titles.insert(type + title).second) {
      EXPECT_EQ(status, "NUKED:dupe");  // only a dupe repeats a title
      EXPECT_EQ(size_of[type + title], r[3]) << "a dupe is the same image";
      continue;
    }
    EXPECT_NE(status, "NUKED:dupe");
    EXPECT_TRUE(status != "NUKED:broken.image" || type != "DOX");
    size_of[type + title] = r[3];
    if (type == "DOX") {
      std::string game;
      for (const std::string& g : games)
        if (title.starts_with(g + " ") && g.size() > game.size()) game = g;
      EXPECT_FALSE(game.empty());
      EXPECT_LE(++packs[game], 3);
      continue;
    }
    if (type == "GAME") games.insert(title);
    EXPECT_LE(type == "APP" ? ++versions[title.substr(0, title.rfind(' '))] : 0, 1);
    std::smatch m;
    if (std::regex_search(title, m, std::regex(R"(^([A-Z][a-z]+'s) (\w+))")) && m[1] != "Director's") given[m[1]].insert(m[2]);
    std::string series = type == "APP" ? title.substr(0, title.rfind(' ')) : title.substr(0, title.find(':'));
    // The rank of a release in its series: an application's version, a sequel's number (none is 1).
    std::vector<long> rank{1};
    if (type == "APP" && std::regex_match(title, m, std::regex(R"(.* v?([\d.]+))"))) {
      rank.clear();
      for (std::istringstream v(m[1].str()); std::getline(v, part, '.');) rank.push_back(std::stol(part));
    } else if (std::regex_match(series, m, std::regex(R"((.*) (II|III|IV|V|VI|[2-6]))"))) {
      rank[0] = std::map<std::string, long>{{"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}, {"6", 6}, {"II", 2},
                                            {"III", 3}, {"IV", 4}, {"V", 5}, {"VI", 6}}.at(m[2]);
      series = m[1].str();  // last: the match points into `series`
    }
    EXPECT_FALSE(groups.count(series));
    EXPECT_EQ(owner.emplace(type + series, group).first->second, group) << series;
    EXPECT_LE(std::exchange(last[type + series], rank), rank) << "parts and versions never go back";
  }
  for (auto& [name, s] : given) EXPECT_LE(s.size(), 2u) << name;
  const std::regex word("[A-Za-z0-9]+");
  auto words = [&word](const std::string& n) {
    std::vector<std::string> w;
    for (std::sregex_iterator i(n.begin(), n.end(), word), e; i != e; ++i) {
      std::string x = i->str();
      for (char& c : x) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (x != "and" && x != "the" && x != "of") w.push_back(x);
    }
    return w;
  };
  for (auto a = groups.begin(); a != groups.end(); ++a)
    for (auto b = std::next(a); b != groups.end(); ++b)
      for (const std::string& x : words(*a))
        for (const std::string& y : words(*b)) {
          const std::string &s = x.size() < y.size() ? x : y, &l = x.size() < y.size() ? y : x;
          bool part = (s.size() >= 3 && l.starts_with(s)) || (s.size() >= 4 && l.ends_with(s));  // Owl/Owls, Floor/Noisefloor
          bool stem = s.size() >= 4 && x.compare(0, 4, y, 0, 4) == 0;                           // Marram/Marrow
          EXPECT_FALSE(part || stem) << *a << " / " << *b;
        }
}

// The figures the articles quote ({=name} in content/pages/) against the same
// figures worked out here from the data, release by release and day by day.
std::string tenths_text(long t) {
  char s[24];
  std::snprintf(s, sizeof s, "%s%ld.%ld", t < 0 ? "-" : "", std::abs(t) / 10, std::abs(t) % 10);
  return s;
}

// Points per release with two decimals, from tenths.
std::string rate_text(long tenths, long releases) {
  char s[24];
  std::snprintf(s, sizeof s, "%.2f", std::floor(10.0 * tenths / releases + 0.5) / 100);
  return s;
}

std::string and_list(const std::vector<std::string>& v) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i == 0 ? "" : i + 1 < v.size() ? ", " : " and ") + v[i];
  return s;
}

std::map<std::string, std::string> figures_from_the_data() {
  std::map<std::string, std::string> f;
  const char* kWeekday[7] = {"Friday", "Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday"};  // day % 7
  struct Day { int releases = 0, scored = 0; long tenths = 0; };
  std::map<std::string, std::map<int, Day>> days;  // group -> day of May
  std::map<std::string, std::map<std::string, int>> count;  // group -> what -> how many
  std::map<std::string, long> flood_tenths, image_mb;
  std::map<std::string, std::set<int>> flood_days;
  long nuke_least = 1000, nuke_most = 0;
  int nuked = 0;
  std::map<std::string, std::array<long, 4>> by_type;  // releases, nuked, flood, tenths
  std::map<int, int> bonus;                            // disc images by size bonus (half points)
  int images = 0, dox_big = 0, flood = 0, images_scored = 0, dox_big_scored = 0;
  std::map<std::string, int> earned, flood_on, big_scored;  // what scored; floods by day and group
  std::map<std::string, long> flood_value;
  std::map<int, int> on_day;
  for (const Row& r : read_data("releases.txt")) {
    const std::string &g = r[1], &type = r[2];
    int day = std::stoi(r[0].substr(8)), mb = std::stoi(r[3]);
    const std::string on = std::to_string(day) + "." + g;
    ++on_day[day];
    long value = worth(type, mb);
    std::string& largest = f["may.type." + type + ".largest"];
    largest = std::to_string(std::max(mb, largest.empty() ? 0 : std::stoi(largest)));
    if (r[4] != "NUKED:dupe") f["mb." + r[5]] = r[3];
    Day& d = days[g][day];
    ++d.releases;
    ++count[g][type];
    if (type == "GAME" && mb >= 4000) ++count[g]["big"];
    if (type != "DOX") image_mb[g] += mb, ++images, ++bonus[std::min(mb / 1000, 4)];
    else dox_big += mb >= 100;
    std::array<long, 4>& bt = by_type[type];
    ++bt[0];
    if (r[4] != "OK") {
      ++count[g]["nuked"];
      ++nuked;
      ++bt[1];
      ++count[""]["for." + r[4].substr(6)];
      ++count[g]["for." + r[4].substr(6)];
      nuke_least = std::min(nuke_least, value);
      nuke_most = std::max(nuke_most, value);
    } else if (++d.scored > 8) {
      ++count[g]["flood"];
      ++bt[2];
      ++flood;
      flood_tenths[g] += value;
      flood_days[g].insert(day);
      ++flood_on[on];
      flood_value[on] += value;
    } else {
      d.tenths += value;
      bt[3] += value;
      if (type == "DOX") ++count[g]["dox scored"], dox_big_scored += mb >= 100;
      else ++images_scored, ++earned[tenths_text(std::min(mb / 1000, 4) * 5)];
      big_scored[g] += type == "GAME" && mb >= 4000;
    }
  }
  for (auto& [b, n] : earned) f["may.bonus.earned." + b] = std::to_string(n);
  for (auto& [k, n] : flood_on) f["may.flood.on." + k] = std::to_string(n);
  for (auto& [k, v] : flood_value) f["may.flood.points.on." + k] = tenths_text(v);
  for (auto& [g, n] : big_scored) f["may.big.games.scored." + g] = std::to_string(n);
  f["may.images.scored"] = std::to_string(images_scored);
  f["may.dox.big.scored"] = std::to_string(dox_big_scored);
  f["may.busiest.day"] =
      std::to_string(std::ranges::max_element(on_day, {}, [](auto& kv) { return kv.second; })->first);
  for (auto [name, n] : {std::pair{"nuked", nuked}, {"images", images}, {"dox.big", dox_big}, {"flood", flood}})
    f["may." + std::string(name)] = std::to_string(n);
  for (auto& [b, n] : bonus) f["may.bonus." + tenths_text(b * 5)] = std::to_string(n);
  long all_tenths = 0;
  for (auto& [t, v] : by_type) all_tenths += v[3];
  for (auto& [t, v] : by_type) {
    const char* what[4] = {"releases", "nuked", "flood", "points"};
    for (int i = 0; i < 3; ++i) f["may.type." + t + "." + what[i]] = std::to_string(v[i]);
    f["may.type." + t + ".points"] = tenths_text(v[3]);
    f["may.type." + t + ".share"] = std::to_string(static_cast<long>(std::lround(100.0 * v[3] / all_tenths)));
  }
  for (auto& [reason, n] : count[""]) f["may.nuked." + reason] = std::to_string(n);
  count.erase("");
  f["may.nuke.least"] = tenths_text(nuke_least);
  f["may.nuke.most"] = tenths_text(nuke_most);
  for (auto& [g, c] : count) {
    const std::pair<const char*, const char*> names[] = {{"games", "GAME"}, {"apps", "APP"}, {"demos", "DEMO"}, {"dox", "DOX"}, {"dox.scored", "dox scored"}, {"big.games", "big"}, {"nuked", "nuked"}, {"flood", "flood"}};
    for (auto [name, what] : names) f["may." + std::string(name) + "." + g] = std::to_string(c[what]);
    for (auto& [what, n] : c)
      if (what.starts_with("for.")) f["may.nuked." + what + "." + g] = std::to_string(n);
    f["may.days." + g] = std::to_string(days[g].size());
    f["may.images." + g] = std::to_string(c["GAME"] + c["APP"] + c["DEMO"]);
    f["may.image.gb." + g] = std::to_string(image_mb[g] / 1000);
    f["may.flood.points." + g] = tenths_text(flood_tenths[g]);
    std::vector<std::string> weekdays, full, flood_list;
    for (int d : flood_days[g]) weekdays.push_back(std::string("a ") + kWeekday[d % 7]), flood_list.push_back(std::to_string(d));
    if (!weekdays.empty()) f["may.flood.weekdays." + g] = and_list(weekdays), f["may.flood.days." + g] = and_list(flood_list) + " May";
    for (auto& [d, day] : days[g]) {
      f["may.on." + std::to_string(d) + "." + g] = std::to_string(day.releases);
      f["may.on." + std::to_string(d)] = std::to_string(std::stoi("0" + f["may.on." + std::to_string(d)]) + day.releases);
      if (day.releases == 8) full.push_back(std::to_string(d));
    }
    if (!full.empty()) f["may.full.days." + g] = and_list(full) + " May";
  }
  std::map<std::string, long> period_total;
  std::map<std::string, int> period_releases;
  std::map<std::string, std::vector<std::pair<long, std::string>>> period_rank;
  for (const Row& r : read_data("standings.txt")) {
    f["standing." + r[0] + ".points." + r[1]] = tenths_text(tenths_of(r[2]));
    period_total[r[0]] += tenths_of(r[2]);
    period_releases[r[0]] += std::stoi(r[3]);
    period_rank[r[0]].push_back({-tenths_of(r[2]), r[1]});
  }
  for (auto& [period, t] : period_total) f["standing." + period + ".total"] = tenths_text(t);
  for (auto& [period, n] : period_releases) f["standing." + period + ".releases"] = std::to_string(n);
  f["standing.before-2010.per.month"] = std::to_string(std::lround(period_releases["before-2010"] / 38.0));
  for (auto& [period, v] : period_rank) {
    std::sort(v.begin(), v.end());
    f["standing." + period + ".leader"] = v[0].second;
    f["standing." + period + ".lead"] = tenths_text(v[1].first - v[0].first);
  }
  // The three tables, and the all-time totals at the end of each day of May.
  const Charts c;
  std::map<std::string, long> running;
  for (auto& [g, s] : c.all_before) running[g] = s.tenths;
  std::map<std::string, long> start = running;
  std::map<std::pair<std::string, std::string>, int> passed;
  for (int day = 1; day <= 31; ++day) {
    std::map<std::string, long> before = running;
    for (auto& [g, d] : days)
      if (d.count(day)) running[g] += d[day].tenths;
    for (auto& [a, ta] : running)
      for (auto& [b, tb] : running)
        if (ta > tb && before[a] <= before[b]) passed[{a, b}] = day;
  }
  for (auto& [ab, day] : passed)
    if (start[ab.first] <= start[ab.second] && running[ab.first] > running[ab.second])
      f["all.passed." + ab.first + "." + ab.second] = std::to_string(day) + " May";
  const std::tuple<std::string, const Table*, const Table*> tables[] = {
      {"month", &c.month, &c.april}, {"year", &c.year, &c.year_before}, {"all", &c.all, &c.all_before}};
  for (auto [name, now, before] : tables) {
    auto r = ranking(*now), p = ranking(*before);
    f[name + ".lead"] = tenths_text(r[0].s.tenths - r[1].s.tenths);
    f[name + ".prev.lead"] = tenths_text(p[0].s.tenths - p[1].s.tenths);
    Score sum;
    for (auto& e : r) sum.tenths += e.s.tenths, sum.releases += e.s.releases;
    f[name + ".groups"] = std::to_string(r.size());
    f[name + ".releases"] = std::to_string(sum.releases);
    f[name + ".total"] = tenths_text(sum.tenths);
    f[name + ".rate"] = rate_text(sum.tenths, sum.releases);
    // The biggest climb; back after a gap (scored before, not in the table
    // before); dropped out (in the table before, not in this one).
    std::vector<std::string> back, gone;
    long most_up = 0;
    for (auto& e : r) {
      auto q = std::find_if(p.begin(), p.end(), [&](const Ranked& x) { return x.group == e.group; });
      if (q != p.end()) most_up = std::max<long>(most_up, q->pos - e.pos);
      else if (c.history.count(e.group)) back.push_back(e.group);
    }
    for (auto& q : p)
      if (std::none_of(r.begin(), r.end(), [&](const Ranked& x) { return x.group == q.group; })) gone.push_back(q.group);
    for (auto& q : p) f[name + ".prev." + q.group] = std::to_string(q.pos);
    for (size_t i = 1; i < r.size(); ++i) f[name + ".behind." + r[i].group] = tenths_text(r[i - 1].s.tenths - r[i].s.tenths);
    std::map<int, int> at_position;
    for (auto& e : r) ++at_position[e.pos];
    f[name + ".ties"] = std::to_string(std::ranges::count_if(at_position, [](auto& kv) { return kv.second > 1; }));
    f[name + ".most.releases"] = std::ranges::max(r, {}, [](const Ranked& e) { return e.s.releases; }).group;
    f[name + ".most.up"] = std::to_string(most_up);
    if (!back.empty()) f[name + ".back"] = and_list(back);
    if (!gone.empty()) f[name + ".gone"] = and_list(gone);
    for (auto& e : r) {
      f[name + ".points." + e.group] = tenths_text(e.s.tenths);
      f[name + ".pos." + e.group] = std::to_string(e.pos);
      const char* suffix[10] = {"th", "st", "nd", "rd", "th", "th", "th", "th", "th", "th"};
      f[name + ".place." + e.group] = std::to_string(e.pos) + (e.pos % 100 / 10 == 1 ? "th" : suffix[e.pos % 10]);
      for (auto& q : p)
        if (q.group == e.group) f[name + ".moved." + e.group] = std::to_string(q.pos - e.pos);
      f[name + ".rate." + e.group] = rate_text(e.s.tenths, e.s.releases);
      f[name + ".share." + e.group] = tenths_text(std::lround(1000.0 * e.s.tenths / sum.tenths));
      f[name + ".releases." + e.group] = std::to_string(e.s.releases);
      auto was = before->find(e.group);
      f[name + ".gain." + e.group] = tenths_text(e.s.tenths - (was == before->end() ? 0 : was->second.tenths));
    }
    if (name == "all") {
      int wide = 0;
      for (int place = 60; place < 110; ++place) wide += r[place - 1].s.tenths - r[place].s.tenths > 100;
      f["all.gaps.over.10.60.110"] = std::to_string(wide);
      int silent = 0;
      for (auto& e : r) silent += !c.year.count(e.group) || c.year.at(e.group).tenths == 0;
      f["all.without.2010"] = std::to_string(silent);
      std::vector<std::string> year_new, month_new;
      int quiet = 0;
      for (auto& [g, sc] : c.year_before)
        if (sc.tenths > 0 && (!c.all_before.count(g) || c.all_before.at(g).tenths == sc.tenths)) year_new.push_back(g);
      for (auto& [g, sc] : c.month)
        if (sc.tenths > 0 && !c.history.count(g)) month_new.push_back(g);
      for (auto& [g, sc] : c.year) quiet += sc.tenths > 0 && !c.month.count(g);
      f["year.newcomers"] = and_list(year_new);
      f["year.newcomers.count"] = std::to_string(year_new.size());
      f["month.newcomers"] = and_list(month_new);
      f["month.newcomers.count"] = std::to_string(month_new.size());
      f["year.silent.in.may"] = std::to_string(quiet);
      std::vector<std::string> fell;
      for (auto& e : ranking(c.year))
        for (auto& q : ranking(c.year_before))
          if (q.group == e.group && q.pos < e.pos && c.month.count(e.group)) fell.push_back(e.group);
      std::sort(fell.begin(), fell.end());
      if (!fell.empty()) f["year.fallers.releasing"] = and_list(fell);
    }
  }
  return f;
}

// Every figure an article quotes ({=name}) is the figure worked out here, and
// every claim a page states in words ("@check NAME OP VALUE" beside it: only,
// never, the first, all of them) holds for those figures.
TEST(Figures, EveryFigureAnArticleQuotesIsTheDataRecomputedAndEveryClaimHolds) {
  std::map<std::string, std::string> generated;
  std::ifstream in(std::string(ZEL_BINARY_DIR) + "/generated/pages/figures.txt");
  for (std::string line; std::getline(in, line);)
    if (size_t eq = line.find(" = "); line[0] != '#' && eq != std::string::npos) generated[line.substr(0, eq)] = line.substr(eq + 3);
  ASSERT_FALSE(generated.empty());
  auto expected = figures_from_the_data();
  auto number = [](std::string v) {
    v.erase(std::remove(v.begin(), v.end(), ','), v.end());
    return std::stod(v);
  };
  int quoted = 0, claims = 0;
  for (auto& page : std::filesystem::directory_iterator(std::string(ZEL_SOURCE_DIR) + "/content/pages")) {
    std::ifstream src(page.path());
    std::string text((std::istreambuf_iterator<char>(src)), std::istreambuf_iterator<char>());
    for (size_t at = text.find("{="); at != std::string::npos; at = text.find("{=", at + 1)) {
      std::string name = text.substr(at + 2, text.find('}', at) - at - 2);
      if (size_t colon = name.rfind(':'); colon != std::string::npos && std::isdigit(name.back())) name.resize(colon);
      ++quoted;
      ASSERT_TRUE(expected.count(name)) << name << " in " << page.path().filename() << " is not recomputed here";
      EXPECT_EQ(generated[name], expected[name]) << name;
    }
    std::smatch m;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (!std::regex_match(line, m, std::regex(R"(@check (.+?) (=|!=|<|<=|>|>=) (.+))"))) continue;
      ++claims;
      std::string name = m[1], op = m[2], want = m[3];
      SCOPED_TRACE(page.path().filename().string() + ": " + line);
      ASSERT_TRUE(expected.count(name)) << "not recomputed here";
      if (want.starts_with("{=")) want = expected[want.substr(2, want.size() - 3)];
      const std::string& have = expected[name];
      if (op == "=" || op == "!=") {
        bool numeric = std::regex_match(have, std::regex(R"(-?[\d,]+(\.\d+)?)"));
        bool same = numeric ? number(have) == number(want) : have == want;
        EXPECT_EQ(same, op == "=") << have;
      } else {
        double a = number(have), b = number(want);
        EXPECT_TRUE(op == "<" ? a < b : op == "<=" ? a <= b : op == ">" ? a > b : a >= b) << have;
      }
    }
  }
  EXPECT_GT(quoted, 40);
  EXPECT_GT(claims, 20);
  // A value the pages once got wrong by hand.
  EXPECT_EQ(expected["may.flood.weekdays.Velvet Orbit"], "a Saturday, a Tuesday and a Friday");
}

}  // namespace
}  // namespace zel
