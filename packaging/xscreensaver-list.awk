# Edits the list of programs in an xscreensaver settings file: adds brisel as
# its last entry, or with mode "remove" takes brisel's entries out. Only those
# lines change; every other line, comment, continuation and line end stays as
# it was. brisel-add-to-xscreensaver runs it as
#   awk -v mode=add|remove -v name=COMMAND -v file=PATH -f xscreensaver-list.awk \
#       part=1 USER_FILE part=2 SYSTEM_LIST
# and writes what it prints to stdout as the new file. Its exit status is the
# verdict, one of the k... below (any other: awk could not read a file).
#
# The list is the resource "programs" (or "*programs"): its line, and every line
# after one that ends with a backslash. Entries end with "\n". A comment or
# blank line inside the list is kept and passed over; xscreensaver itself stops
# reading the list there unless the line ends with a backslash, which a note on
# stderr says.

BEGIN {
  kAdded = 0          # brisel added to the end of the list
  kPresent = 10       # brisel is there already; nothing printed
  kAbsent = 11        # remove: brisel is not there; nothing printed
  kEnabled = 12       # a disabled brisel entry enabled
  kCopied = 13        # the system's list copied into the file, brisel added
  kAlone = 14         # no list anywhere: a list of brisel alone
  kRemoved = 15       # brisel's entries removed
  kRemovedChosen = 16 # removed, and brisel was the program "selected:" named
  kEntry = "\t\t\t\tbrisel --root\t\t\t\t    "
}

part == 1 { user[++nUser] = $0; next }
part == 2 { defaults[++nDefaults] = $0; next }
END { exit Edit(user, nUser, defaults, nDefaults) }

# Edits the lines L[1..n] of the user's file, with the system's list from
# S[1..m]; prints the new file unless nothing changes, and returns the verdict.
function Edit(L, n, S, m,    list, gone, after, verdict, start) {
  Scan(L, n, list)
  if (mode == "remove") {
    verdict = list["found"] ? Remove(L, n, list, gone) : kAbsent
  } else if (list["found"]) {
    verdict = AllDisabled(list) ? Enable(L, list) : kPresent
  } else {
    verdict = kAdded
    if (!list["first"]) {
      start = SystemListStart(S, m)
      verdict = start ? kCopied : kAlone
      n = start ? CopySystemList(L, n, S, start) : AddEmptyList(L, n)
      Scan(L, n, list)
    }
    Append(L, list, after)
  }
  if (list["cut"]) {
    printf "%s: note: xscreensaver stops reading the list in %s at line %d, a comment or blank line that " \
           "does not end with a backslash; entries after it are not seen\n", name, file, list["cut"] > "/dev/stderr"
  }
  if (verdict != kPresent && verdict != kAbsent) Write(L, n, gone, after)
  return verdict
}

function Body(s) { sub(/\r$/, "", s); return s }
function Cr(s) { return s ~ /\r$/ ? "\r" : "" }
function IsNote(s) { return s ~ /^[ \t]*([#!]|$)/ }
# L[i] becomes s, keeping its line end.
function SetLine(L, i, s) { L[i] = s Cr(L[i]) }

# Whether the entry t runs brisel ("-" disabled, "visual:", "\"name\"" before
# the program): 0 it does not, 1 it does, 2 it does but is disabled.
function BriselEntry(t,    disabled) {
  sub(/^[ \t]*/, "", t)
  disabled = t ~ /^-/
  sub(/^-[ \t]*/, "", t)
  sub(/^[^ \t:"\\]*:[ \t]*/, "", t)
  sub(/^"[^"]*"[ \t]*/, "", t)
  sub(/[ \t\\].*$/, "", t)
  sub(/.*\//, "", t)
  return t != "brisel" ? 0 : disabled ? 2 : 1
}

# Describes the list in L[1..n] in list[]: "first", its key line (0 when there
# is none); "last", its last line that is not a note; ("kind", i) for each of
# its lines: "key" (a key line holding no entry), "start" (an entry's first
# line), "more" (an entry's next lines) or "note"; "cut", the note where
# xscreensaver stops reading (0 when none); and the "found" entries that run
# brisel, the kth at line ("line", k), entry number ("index", k), disabled
# when ("off", k).
function Scan(L, n, list,    i, s, t, first, open, startNext, notes, ending, entries) {
  split("", list)
  list["found"] = list["cut"] = first = open = 0
  for (i = 1; i <= n; i++) {
    s = Body(L[i])
    if (!open && s ~ /^[ \t]*\*?programs[ \t]*:/) { first = i; break }
    open = s ~ /\\$/
  }
  list["first"] = list["last"] = first
  if (!first) return
  s = Body(L[first])
  t = s
  sub(/^[ \t]*\*?programs[ \t]*:/, "", t)
  list["kind", first] = "key"
  entries = 0
  if (t !~ /^[ \t]*\\?$/) {
    list["kind", first] = "start"
    Found(list, first, 0, BriselEntry(t))
    entries = 1
  }
  open = s ~ /\\$/
  startNext = list["kind", first] == "key" || s ~ /\\n\\$/
  notes = 0
  for (i = first + 1; open && i <= n; i++) {
    s = Body(L[i])
    if (IsNote(s)) {
      list["kind", i] = "note"
      notes = 1
      if (s !~ /\\$/ && !ending) ending = i
      continue
    }
    # After comments or blank lines, a new setting at the margin ends the list.
    if (notes && s ~ /^[A-Za-z*][A-Za-z0-9_.*-]*[ \t]*:/) break
    if (ending && !list["cut"]) list["cut"] = ending
    notes = ending = 0
    if (startNext && s !~ /^[ \t]*\\$/) {
      list["kind", i] = "start"
      Found(list, i, entries, BriselEntry(s))
      entries++
    } else {
      list["kind", i] = "more"
    }
    list["last"] = i
    open = s ~ /\\$/
    startNext = s ~ /\\n\\$/ || (startNext && list["kind", i] == "more")
  }
}

# Notes in list[] the entry number `entry` at line `line` when it runs brisel.
function Found(list, line, entry, brisel,    k) {
  if (!brisel) return
  k = ++list["found"]
  list["line", k] = line
  list["index", k] = entry
  list["off", k] = brisel == 2
}

function AllDisabled(list,    k) {
  for (k = 1; k <= list["found"]; k++) if (!list["off", k]) return 0
  return 1
}

# Enables brisel's first entry. Returns kEnabled.
function Enable(L, list,    i, s) {
  i = list["line", 1]
  s = Body(L[i])
  if (i == list["first"]) sub(/:[ \t]*-/, ": ", s)
  else sub(/-/, " ", s)
  SetLine(L, i, s)
  return kEnabled
}

# Appends brisel as the last entry of the list, so that no entry's number
# changes: its line goes in after[] under the line it follows.
function Append(L, list, after,    last, s) {
  last = list["last"]
  s = Body(L[last])
  if (list["kind", last] == "key") {
    if (s !~ /\\$/) s = s "\t\\"
  } else if (s ~ /\\n\\$/) {
  } else if (s ~ /\\n$/) {
    s = s "\\"
  } else if (s ~ /\\$/) {
    sub(/\\$/, "\\n\\", s)
  } else {
    s = s " \\n\\"
  }
  SetLine(L, last, s)
  after[last] = kEntry "\\n" Cr(L[last])
}

# Takes brisel's entries out, marking their lines in gone[]; "selected:" goes on
# naming the program it named. Returns kRemoved, or kRemovedChosen when it
# named brisel.
function Remove(L, n, list, gone,    verdict, k, i, j, s, key, p, value, moved) {
  for (k = 1; k <= list["found"]; k++) {
    i = list["line", k]
    if (i == list["first"]) {
      s = Body(L[i])
      key = s
      sub(/:.*$/, ":", key)
      SetLine(L, i, key (s ~ /\\n\\$/ ? "\t\t\t\t\t\t\t\t      \\" : ""))
    } else {
      gone[i] = 1
    }
    for (j = i + 1; list["kind", j] == "more"; j++) gone[j] = 1
  }
  # The entry before a removed last entry ends the list now.
  for (p = list["last"]; p > list["first"] && (gone[p] || list["kind", p] == "note"); p--) {}
  if (p != list["last"]) {
    s = Body(L[p])
    if (list["kind", p] == "key" && s !~ /\\n\\$/) sub(/[ \t]*\\$/, "", s)
    else sub(/\\$/, "", s)
    SetLine(L, p, s)
  }
  # "selected:" counts the entries from 0; those after a removed one move up.
  verdict = kRemoved
  for (i = 1; i <= n; i++) {
    s = Body(L[i])
    if (list["kind", i] != "" || s !~ /^[ \t]*\*?selected[ \t]*:[ \t]*[0-9]+[ \t]*$/) continue
    value = s
    sub(/^[^:]*:[ \t]*/, "", value)
    value += 0
    moved = 0
    for (k = 1; k <= list["found"]; k++) {
      if (list["index", k] < value) moved++
      else if (list["index", k] == value) verdict = kRemovedChosen
    }
    if (moved) {
      sub(/[0-9]+[ \t]*$/, value - moved, s)
      SetLine(L, i, s)
    }
  }
  return verdict
}

# The line of S[1..m] where the system's list ("*programs:") starts, 0 if none.
function SystemListStart(S, m,    j) {
  for (j = 1; j <= m; j++) if (S[j] ~ /^\*programs[ \t]*:/) return j
  return 0
}

# Appends the system's list from S[start] on to L[1..n] as the user's own
# ("programs:"), with the line end of the file's last line. Returns the new n.
function CopySystemList(L, n, S, start,    c, j, s, open) {
  c = n ? Cr(L[n]) : ""
  open = 1
  for (j = start; open && j in S; j++) {
    s = Body(S[j])
    if (j == start) sub(/^\*/, "", s)
    L[++n] = s c
    open = s ~ /\\$/ || IsNote(s)
  }
  return n
}

# Appends an empty list to L[1..n]. Returns the new n.
function AddEmptyList(L, n) {
  L[n + 1] = "programs:" (n ? Cr(L[n]) : "")
  return n + 1
}

# Prints the new file: L[1..n] without the lines gone[] marks, each followed by
# what after[] holds for it.
function Write(L, n, gone, after,    i) {
  for (i = 1; i <= n; i++) {
    if (gone[i]) continue
    print L[i]
    if (i in after) print after[i]
  }
}
