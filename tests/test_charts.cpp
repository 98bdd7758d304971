// The chart pages against a recomputation from the data set in content/charts/.
//
// The scoring, ranking and line layout are rebuilt here from the rules as the
// RULES page states them, independently of tools/chartgen, and compared with
// the compiled pages 1, 5 and 8; page 4's totals are compared with page 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "content/content.h"

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

struct Score {
  long tenths = 0;
  int releases = 0;
};
using Table = std::map<std::string, Score>;

void add(Table& t, const std::string& group, Score s) {
  t[group].tenths += s.tenths;
  t[group].releases += s.releases;
}

// Points of the month per group, in tenths: a game disc 3, an application 2,
// a demo 1.5, plus half a point per full 1000 MB of a disc image up to 2;
// documentation 1, or 1.5 from 100 MB; nuked releases nothing; a group's
// ninth and later scoring releases of one day nothing.
Table score_may() {
  Table t;
  std::map<std::string, int> per_day;
  for (const Row& r : read_data("releases.txt")) {
    const std::string &date = r[0], &group = r[1], &type = r[2], &status = r[4];
    int mb = std::stoi(r[3]);
    t[group].releases += 1;
    if (status != "OK" || ++per_day[group + "@" + date] > 8) continue;
    if (type == "DOX")
      t[group].tenths += mb >= 100 ? 15 : 10;
    else
      t[group].tenths += (type == "GAME" ? 30 : type == "APP" ? 20 : 15) + std::min(mb / 1000, 4) * 5;
  }
  return t;
}

long tenths_of(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  size_t dot = s.find('.');
  return std::stol(s.substr(0, dot)) * 10 + std::stol(s.substr(dot + 1));
}

struct Ranked {
  std::string group;
  Score s;
  int pos;
};

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
// movement to 68 and its word from 70, coloured from 71.
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
  paint(71, 70 + word.size(), wc);
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
  Table month_now = score_may(), month_before, year_now, year_before, all_now, all_before;
  std::set<std::string> history;
  for (const Row& r : read_data("standings.txt")) {
    Score sc{tenths_of(r[2]), std::stoi(r[3])};
    if (sc.tenths > 0) history.insert(r[1]);
    for (Table* t : {&all_now, &all_before}) add(*t, r[1], sc);
    if (r[0] != "before-2010")
      for (Table* t : {&year_now, &year_before}) add(*t, r[1], sc);
    if (r[0] == "2010-04") month_before[r[1]] = sc;
  }
  for (auto& [g, sc] : month_now)
    for (Table* t : {&year_now, &all_now}) add(*t, g, sc);
  const std::tuple<int, Table*, Table*> charts[] = {
      {1, &month_now, &month_before}, {5, &year_now, &year_before}, {8, &all_now, &all_before}};
  for (auto [page, now, before] : charts) {
    SCOPED_TRACE("page " + std::to_string(page));
    expect_chart(page, *now, *before, history);
  }
  // The data set exercises shared positions (and the skip after them) on page 8.
  auto all = ranking(all_now);
  int shared = 0;
  for (size_t i = 1; i < all.size(); ++i) shared += all[i].pos == all[i - 1].pos;
  EXPECT_GT(shared, 0);
}

// Page 4: each group's box, its release lines and its total line.
TEST(ReleaseList, TotalsAgreeWithTheMonthlyChart) {
  std::vector<std::pair<std::string, Score>> seen;  // groups in page order, with what their lines add up to
  Score listed;
  for (int l = 0; l < PageTables::stored_lines(4) - 1; ++l) {
    std::string t(PageTables::text(l, 4));
    bool open = !seen.empty() && listed.releases >= 0;
    if (t.size() > 2 && static_cast<unsigned char>(t[0]) == 0xB3) {
      // "│ 12. Group Name │"
      size_t dot = t.find(". ");
      seen.push_back({t.substr(dot + 2, t.size() - dot - 2 - 2), {-1, -1}});
      listed = {};
    } else if (open && t.size() == 80 && t[0] == ' ' && t[3] == '.' && t[6] == ' ') {
      // A release line: "dd.mm" at columns 2..6, points or NUKED/FLOOD at 73..80.
      ++listed.releases;
      std::string p = t.substr(t.find_first_not_of(' ', 72));
      if (p != "NUKED" && p != "FLOOD") listed.tenths += tenths_of(p);
    } else if (open && t.find(" release") != std::string::npos && t.find(" ISO, ") != std::string::npos) {
      // The total line: "N release(s) ..., points" with the points at 73..80.
      EXPECT_EQ(std::stoi(t.substr(1)), listed.releases) << seen.back().first;
      EXPECT_EQ(tenths_of(t.substr(72)), listed.tenths) << seen.back().first;
      seen.back().second = listed;
      listed.releases = -1;
    }
  }
  auto want = ranking(score_may());
  ASSERT_EQ(seen.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(seen[i].first, want[i].group) << "position " << i + 1;
    EXPECT_EQ(seen[i].second.tenths, want[i].s.tenths) << want[i].group;
    EXPECT_EQ(seen[i].second.releases, want[i].s.releases) << want[i].group;
  }
}

}  // namespace
}  // namespace zel
