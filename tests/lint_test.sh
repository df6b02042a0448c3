#!/usr/bin/env bash
# The lint must pass on the tree and fail on each planted violation.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/lint" >/dev/null || { echo "lint fails on the clean tree"; exit 1; }
plant() {
  local t; t=$(mktemp -d)
  mkdir -p "$t/src/model" "$t/src/ui" "$t/tests" "$t/tools" "$t/bench" "$t/$(dirname "$1")"
  printf '%s\n' "$2" > "$t/$1"
  LINT_ROOT="$t" bash "$top/scripts/lint" >/dev/null 2>&1; local rc=$?
  rm -rf "$t"
  [ "${3:-fails}" = passes ] && { [ $rc -eq 0 ] || { echo "lint wrongly fails: $1: $2"; return 1; }; return 0; }
  [ $rc -ne 0 ] || { echo "lint missed: $1: $2"; return 1; }
}
fail=0
plant src/model/x.cpp '#include <QString>' || fail=1
plant src/ui/x.cpp 'auto s = QString::fromUtf8("ファイル");' || fail=1
plant src/ui/y.cpp 'auto s = QStringLiteral("エラー");' || fail=1
plant src/model/z.cpp '#include "link/ecs.h"' || fail=1
plant src/model/w.h '#include "ui/frmmain.h"' || fail=1
plant src/model/g.cpp 'namespace { std::string g_lastName; }' || fail=1
plant src/model/s.cpp 'int& Next() { static int counter = 0; return counter; }' || fail=1
plant src/model/m.h 'class C { static std::mutex lock_; };' || fail=1
plant src/model/p.cpp 'const char* g_name = "x";' || fail=1
plant src/model/r.cpp '#include "../ui/qtui.h"' || fail=1
plant src/platform/a.cpp '#include <rules/busystate.h>' || fail=1
plant src/model/d.cpp 'std::string g_name("abc");' || fail=1
plant src/model/u.cpp 'static std::unique_ptr<int> g_up(new int(1));' || fail=1
plant src/model/l.cpp 'void F() { static std::string s("x"); }' || fail=1
plant tools/x/t.cpp 'int g_count;' || fail=1
plant src/model/e.cpp 'extern "C" { int g_count; }' || fail=1
plant src/model/c.cpp 'extern "C" int F() { int n = 0; return n; } std::string G(int n = 0); Q_MACRO("x");' passes || fail=1
# A compile command without the character set.
t=$(mktemp -d); mkdir -p "$t/src"
printf '[{"file":"a.cpp","command":"g++ -c a.cpp"}]' > "$t/compile_commands.json"
if LINT_ROOT="$t" bash "$top/scripts/lint" "$t" >/dev/null 2>&1; then echo "lint missed the charset"; fail=1; fi
rm -rf "$t"
# The script machine includes no built-ins.
t=$(mktemp -d); mkdir -p "$t/src/script/machine"
printf '#include "script/builtins/modules.h"\n' > "$t/src/script/machine/x.cpp"
if LINT_ROOT="$t" bash "$top/scripts/lint" >/dev/null 2>&1; then echo "lint missed a script room include"; fail=1; fi
rm -rf "$t"
[ $fail -eq 0 ] && echo "lint test: ok"
exit $fail
