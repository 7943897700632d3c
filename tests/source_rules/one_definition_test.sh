#!/usr/bin/env bash
# Every class, struct, union and enum that a header of the program or its
# tools defines at namespace scope has a name no other header uses. Two
# different types of one name that reach one program break the one-definition
# rule: the linker keeps one of their inline members and the other side reads
# the wrong fields, with no warning from a normal build.
set -euo pipefail
root=${1:?usage: one_definition_test.sh SOURCE_DIR}
cd "$root"

# Definitions start in the first column (namespace contents are not
# indented); "Outer::Inner {" defines a member, not a new name.
definitions=$(grep -rnoE \
  '^(struct|class|union|enum( class)?) [A-Za-z_][A-Za-z0-9_]*( final)? *(: *[^:;][^;]*)?\{' \
  src tools --include='*.h' |
  sed -E 's/^([^:]+):[0-9]+:(struct|class|union|enum class|enum) ([A-Za-z0-9_]+).*/\3 \1/' |
  sort)

if [[ -z $definitions ]]; then
  echo "no type definitions found under src/ and tools/: the pattern is broken" >&2
  exit 1
fi
duplicates=$(awk '{print $1}' <<<"$definitions" | uniq -d)
if [[ -n $duplicates ]]; then
  for name in $duplicates; do
    echo "type $name is defined more than once:" >&2
    awk -v n="$name" '$1 == n {print "  " $2}' <<<"$definitions" >&2
  done
  exit 1
fi
echo "$(wc -l <<<"$definitions") type names, each defined once"
