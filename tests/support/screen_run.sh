# Shared by the real runs of tests/screen (sourced): a program folder as installed, and the end of a
# running program by SIGTERM, which must save and end it with exit code 0.

# install_program <folder>: the binary $exe and what ships beside it (shape files, help).
install_program() {
  mkdir -p "$1"
  cp "$exe" "$1/"
  local f
  for f in "$(dirname "$exe")"/FSTYLE.* "$(dirname "$exe")"/*.html; do
    if [ -e "$f" ]; then cp "$f" "$1/"; fi
  done
}

# end_program <pid>: SIGTERM, then up to 10 s for the end. Fails (with a line saying why) when the
# program does not end or ends with another exit code than 0.
end_program() {
  kill -TERM "$1" 2>/dev/null
  local _
  for _ in $(seq 1 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$1" 2>/dev/null; then
    echo "the program did not end on SIGTERM"
    kill -KILL "$1"
    return 1
  fi
  local rc=0
  wait "$1" || rc=$?
  if [ "$rc" != 0 ]; then
    echo "the program ended with exit code $rc"
    return 1
  fi
}
