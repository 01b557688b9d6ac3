# What the end-to-end scripts share: finding the program's windows, pressing
# keys in them and waiting for the program to end. Sourced; the script sets
# pid to the program's process and defines fail.

# Waits for a visible window of the process whose title matches, other than the
# one given after the title (a box that is just closing); prints its id.
window() {
  local title="$1" id
  shift
  for _ in $(seq 1 300); do
    id="$(xdotool search --all --onlyvisible --pid "$pid" --name "$title" 2>/dev/null | grep -vxF -e "${1:-none}" | head -n 1)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits until the window is no longer on the screen.
gone() {
  for _ in $(seq 1 100); do
    xdotool search --all --onlyvisible --pid "$pid" --name '.*' 2>/dev/null | grep -qxF "$1" || return 0
    sleep 0.1
  done
  return 1
}

press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  sleep 0.3
  xdotool key --clearmodifiers "$2"
}

# Waits for the program to end; returns its status.
finish() {
  local status
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end"
  wait "$pid"
  status=$?
  pid=""
  return "$status"
}
