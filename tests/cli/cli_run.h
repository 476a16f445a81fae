#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

// Runs fiscal-cli in-process with short link time-outs and captures its output.
struct CliRun {
  int code = -1;
  std::string out;
  std::string err;

  // Lines of `err` that start with `prefix`.
  std::vector<std::string> ErrLines(const std::string& prefix) const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }
  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  }
};

inline LinkTimeouts FastTimeouts() {
  LinkTimeouts t;
  t.checkLink = 300;
  t.linkSeries = 400;
  t.reply = 1000;
  return t;
}

inline CliRun RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  CliEnvironment env{in, out, err, false, FastTimeouts()};
  CliRun r;
  r.code = RunCli(args, env);
  r.out = out.str();
  r.err = err.str();
  return r;
}
