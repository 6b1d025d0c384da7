#!/usr/bin/env bash
# Takes a screenshot of the main window keeping the computer awake for a
# due bid, with a warning in the Note column and its notification shown by
# dunst, under Xvfb with D-Bus daemons of its own (logind mocked by
# python3-dbusmock). Needs a build (make build) and the packages xvfb,
# imagemagick, dbus-daemon, python3-dbusmock and dunst.
#   tools/notification-screenshot.sh [OUT.png]   (default: docs/keep-awake-and-notification.png)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
out=$(realpath -m "${1:-docs/keep-awake-and-notification.png}")
build=$(realpath "${QUORREL_BUILD:-build}")
work=$(mktemp -d)
trap 'kill $site 2>/dev/null || true; rm -rf "$work"' EXIT
port=8498
export ASAN_OPTIONS=detect_leaks=0
"$build/practice-site" --port $port --auctions 0 --no-other-bidders > /dev/null &
site=$!
sleep 1
add() { curl -s "http://127.0.0.1:$port/control/add?ends_in=$1&title=$2&bid=$3&bidder=$4"; }
soon=$(add 45 Brass%20telescope 12.00 rival)
dear=$(add 50 Tin%20robot 30.00 rival)
later=$(add 7300 Pocket%20watch 31.00 collector)
cp "$build/quorrel" "$work/"
sed "s/127.0.0.1:8480/127.0.0.1:$port/g" $src/res/servers.xml > "$work/servers.xml"
"$build/tools/account-file" "$work/servers.xml" "$work/account.cfg" sniper secret USA verified
{
  printf '<bids>\r\n<defaults>\r\n<margin>20</margin>\r\n</defaults>\r\n'
  for bid in "$soon 25.00 10" "$dear 20.00 10" "$later 45.00 30"; do
    set -- $bid
    printf '<bid>\r\n<item>%s</item>\r\n<maxbid>%s</maxbid>\r\n<margin>%s</margin>\r\n</bid>\r\n' "$1" "$2" "$3"
  done
  printf '</bids>\r\n'
} > "$work/bids.xml"
printf '<quorrel>\r\n<options>\r\n<load_automatically>false</load_automatically>\r\n<check_updates>false</check_updates>\r\n</options>\r\n<UI>\r\n<window>\r\n<pos>0,0,1190,330</pos>\r\n</window>\r\n</UI>\r\n</quorrel>\r\n' > "$work/quorrel.xml"
cat > "$work/dunstrc" <<'RC'
[global]
origin = bottom-right
width = 420
offset = 10x10
font = DejaVu Sans 9
frame_width = 1
RC
xvfb-run -a -s "-screen 0 1200x520x24" bash -c "
  sess=\$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>'$work/sess.pid')
  sys=\$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>'$work/sys.pid')
  DBUS_SYSTEM_BUS_ADDRESS=\$sys /usr/bin/python3 -m dbusmock -t logind --system & mock=\$!
  DBUS_SESSION_BUS_ADDRESS=\$sess dunst -config '$work/dunstrc' & dunst=\$!
  sleep 2
  cd '$work'; HOME='$work' XDG_RUNTIME_DIR='$work' XDG_CONFIG_HOME='$work/.config' DBUS_SESSION_BUS_ADDRESS=\$sess DBUS_SYSTEM_BUS_ADDRESS=\$sys ./quorrel & program=\$!
  sleep 14
  import -window root '$out'
  kill -TERM \$program; wait \$program
  kill \$dunst \$mock \$(cat '$work/sess.pid') \$(cat '$work/sys.pid')
" > $work/run.log 2>&1
echo "screenshot: $out"
