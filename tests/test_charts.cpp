// The chart pages against a recomputation from the data set in content/charts/.
//
// The scoring, ranking and line layout are rebuilt here from the rules as the
// RULES page states them, independently of tools/chartgen, and compared with
// the compiled pages 1, 5 and 8; page 4's totals are compared with page 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "content/content.h"

namespace zel {
namespace {

struct Row {
  std::vector<std::string> f;
};

std::vector<Row> read_data(const std::string& name) {
  std::ifstream in(std::string(ZEL_SOURCE_DIR) + "/content/charts/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::vector<Row> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    Row r;
    size_t start = 0;
    for (;;) {
      size_t bar = line.find(" | ", start);
      r.f.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 3;
    }
    out.push_back(r);
  }
  return out;
}

struct Score {
  long tenths = 0;
  int releases = 0;
};
using Table = std::map<std::string, Score>;

// Points of the month per group, in tenths: a game disc 3, an application 2,
// a demo 1.5, plus half a point per full 1000 MB of a disc image up to 2;
// documentation 1, or 1.5 from 100 MB; nuked releases nothing; a group's
// ninth and later scoring releases of one day nothing.
Table score_may() {
  Table t;
  std::map<std::string, int> per_day;
  for (const Row& r : read_data("releases.txt")) {
    const std::string &date = r.f[0], &group = r.f[1], &type = r.f[2], &status = r.f[4];
    int mb = std::stoi(r.f[3]);
    t[group].releases += 1;
    if (status != "OK") continue;
    if (++per_day[group + "@" + date] > 8) continue;
    long p;
    if (type == "DOX") {
      p = mb >= 100 ? 15 : 10;
    } else {
      p = type == "GAME" ? 30 : type == "APP" ? 20 : 15;
      int thousands = mb / 1000;
      p += thousands >= 4 ? 20 : 5 * thousands;
    }
    t[group].tenths += p;
  }
  return t;
}

long tenths_of(const std::string& s) {
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
    if (s.tenths > 0) v.push_back({g, s, 0});
  std::sort(v.begin(), v.end(), [](const Ranked& a, const Ranked& b) {
    return a.s.tenths != b.s.tenths ? a.s.tenths > b.s.tenths : a.group < b.group;
  });
  for (size_t i = 0; i < v.size(); ++i) {
    // Position = 1 + the number of groups with strictly more points.
    int better = 0;
    for (auto& o : v) better += o.s.tenths > v[i].s.tenths;
    v[i].pos = better + 1;
  }
  return v;
}

// The expected text and colour line of one chart entry, column by column.
std::pair<std::string, std::string> expected_line(const Ranked& e, int prev, bool history) {
  std::string text(80, ' '), colour(80, '1');
  auto put_right = [&](int last_col, const std::string& s) { text.replace(last_col - s.size(), s.size(), s); };
  put_right(7, std::to_string(e.pos));
  text[7] = '.';
  colour[7] = 'M';
  text.replace(9, e.group.size(), e.group);
  for (int c = 10 + static_cast<int>(e.group.size()); c <= 33; ++c) {
    text[c - 1] = '.';
    colour[c - 1] = '3';
  }
  std::ostringstream pts;
  pts << e.s.tenths / 10 << '.' << e.s.tenths % 10;
  put_right(41, pts.str());
  text.replace(42, 6, "......");
  put_right(59, std::to_string(e.s.releases));
  text.replace(60, 6, "......");
  for (int c = 43; c <= 48; ++c) colour[c - 1] = '3';
  for (int c = 61; c <= 66; ++c) colour[c - 1] = '3';
  std::string word;
  char wc;
  if (prev == 0) {
    word = history ? "BACK" : "NEW";
    wc = history ? 'M' : 'D';
    text[67] = '-';
  } else if (prev == e.pos) {
    word = "SAME", wc = 'P';
    text[67] = '-';
  } else {
    word = prev > e.pos ? "UP" : "DOWN";
    wc = prev > e.pos ? '7' : '4';
    put_right(68, std::to_string(std::abs(prev - e.pos)));
  }
  text.replace(69, word.size(), word);
  for (size_t c = 71; c < 71 + word.size(); ++c) colour[c - 1] = wc;
  text.erase(text.find_last_not_of(' ') + 1);
  return {text, colour};
}

const char kHeading[] = "-- POSITIONS --- GROUPNAMES --- POINTS AMOUNT --- RELEASE AMOUNT --- MOVEMENT --";

int heading_line(int page) {
  for (int l = 0; l < 40; ++l)
    if (PageTables::text(l, page) == kHeading) return l;
  return -1;
}

void expect_chart(int page, const Table& now, const Table& before, const std::set<std::string>& history) {
  auto want = ranking(now);
  std::map<std::string, int> prev;
  for (auto& r : ranking(before)) prev[r.group] = r.pos;
  int first = heading_line(page);
  ASSERT_GE(first, 0) << "page " << page << " has no column heading";
  first += 2;  // the heading, then a rule line
  ASSERT_EQ(PageTables::rule(first - 1, page), "4");
  for (size_t i = 0; i < want.size(); ++i) {
    int l = first + static_cast<int>(i);
    auto it = prev.find(want[i].group);
    auto [text, colour] = expected_line(want[i], it == prev.end() ? 0 : it->second, history.count(want[i].group));
    EXPECT_EQ(PageTables::text(l, page), text) << "page " << page << " line " << l;
    EXPECT_EQ(PageTables::colour(l, page), colour) << "page " << page << " line " << l;
    EXPECT_EQ(PageTables::face(l, page), std::string(80, '1'));
    EXPECT_EQ(PageTables::rule(l, page), "0");
  }
  // The table ends right after the last group.
  EXPECT_EQ(PageTables::rule(first + static_cast<int>(want.size()), page), "4");
}

struct Standings {
  Table month_now, month_before, year_now, year_before, all_now, all_before;
  std::set<std::string> history;
};

Standings build() {
  Standings s;
  for (const Row& r : read_data("standings.txt")) {
    Score sc{tenths_of(r.f[2]), std::stoi(r.f[3])};
    const std::string &period = r.f[0], &g = r.f[1];
    if (sc.tenths > 0) s.history.insert(g);
    for (Table* t : {&s.all_now, &s.all_before}) {
      (*t)[g].tenths += sc.tenths;
      (*t)[g].releases += sc.releases;
    }
    if (period != "before-2010")
      for (Table* t : {&s.year_now, &s.year_before}) {
        (*t)[g].tenths += sc.tenths;
        (*t)[g].releases += sc.releases;
      }
    if (period == "2010-04") s.month_before[g] = sc;
  }
  s.month_now = score_may();
  for (auto& [g, sc] : s.month_now)
    for (Table* t : {&s.year_now, &s.all_now}) {
      (*t)[g].tenths += sc.tenths;
      (*t)[g].releases += sc.releases;
    }
  return s;
}

TEST(Charts, MonthlyChartIsTheMayDataScoredByTheRules) {
  Standings s = build();
  expect_chart(1, s.month_now, s.month_before, s.history);
}

TEST(Charts, YearlyChartAddsMayToJanuaryToApril) {
  Standings s = build();
  expect_chart(5, s.year_now, s.year_before, s.history);
}

TEST(Charts, AlltimeChartAddsMayToEveryEarlierPoint) {
  Standings s = build();
  expect_chart(8, s.all_now, s.all_before, s.history);
  // The data set exercises shared positions (and the skip after them) here.
  auto all = ranking(s.all_now);
  int shared = 0;
  for (size_t i = 1; i < all.size(); ++i) shared += all[i].pos == all[i - 1].pos;
  EXPECT_GT(shared, 0);
}

// Page 4: each group's box, its release lines and its total line.
TEST(ReleaseList, TotalsAgreeWithTheMonthlyChart) {
  Table month = score_may();
  auto want = ranking(month);
  const int len = PageTables::stored_lines(4) - 1;
  std::map<std::string, Score> seen;
  std::vector<std::string> order;
  std::string current;
  long listed_points = 0;
  int listed = 0;
  for (int l = 0; l < len; ++l) {
    std::string t(PageTables::text(l, 4));
    if (t.size() > 2 && static_cast<unsigned char>(t[0]) == 0xB3) {
      // "│ 12. Group Name │"
      size_t dot = t.find(". ");
      current = t.substr(dot + 2, t.size() - dot - 2 - 2);
      order.push_back(current);
      listed_points = 0;
      listed = 0;
    } else if (!current.empty() && t.size() == 80 && t[0] == ' ' && t[3] == '.' && t[6] == ' ') {
      // A release line: "dd.mm" at columns 2..6, points or NUKED/FLOOD at 73..80.
      ++listed;
      std::string p = t.substr(72);
      p.erase(0, p.find_first_not_of(' '));
      if (p != "NUKED" && p != "FLOOD") listed_points += tenths_of(p);
    } else if (!current.empty() && t.find(" release") != std::string::npos && t.find(" ISO, ") != std::string::npos) {
      EXPECT_EQ(std::stoi(t.substr(1)), listed) << current;
      std::string p = t.substr(72);
      EXPECT_EQ(tenths_of(p.substr(p.find_first_not_of(' '))), listed_points) << current;
      seen[current] = {listed_points, listed};
      current.clear();
    }
  }
  ASSERT_EQ(order.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(order[i], want[i].group) << "position " << i + 1;
    EXPECT_EQ(seen[want[i].group].tenths, want[i].s.tenths) << want[i].group;
    EXPECT_EQ(seen[want[i].group].releases, want[i].s.releases) << want[i].group;
  }
}

}  // namespace
}  // namespace zel
