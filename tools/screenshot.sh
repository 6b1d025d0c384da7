#!/usr/bin/env bash
# Takes a screenshot of the real main window with a few bids in different
# states, under Xvfb, against the practice site. Needs a release build
# (make build) and the packages xvfb, xauth and imagemagick.
#   tools/screenshot.sh [OUT.png]     (default: docs/main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/main-window.png}")
build=$(realpath build)
port=8497
work=$(mktemp -d)
trap 'kill $site 2>/dev/null || true; rm -rf "$work"' EXIT

"$build/practice-site" --port $port --auctions 0 --no-other-bidders > /dev/null &
site=$!
sleep 1
add() { curl -s "http://127.0.0.1:$port/control/add?ends_in=$1&title=$2&bid=$3&bidder=$4"; }
won=$(add 9 Brass%20telescope 12.00 rival)
placed=$(add 25 Tin%20robot 4.50 rival)
watching=$(add 7300 Pocket%20watch 31.00 collector)
soon=$(add 3700 Vinyl%20record 8.25 dj)
ended=$(add 3 Oil%20lamp 19.00 lampfan)

cp "$build/quorrel" "$work/"
sed "s/127.0.0.1:8480/127.0.0.1:$port/g" res/servers.xml > "$work/servers.xml"
"$build/tools/account-file" "$work/servers.xml" "$work/account.cfg" sniper secret USA verified
{
  printf '<bids>\r\n<defaults>\r\n<margin>20</margin>\r\n</defaults>\r\n'
  for bid in "$won 25.00 5" "$placed 10.00 20" "$watching 45.00 30" "$soon 12.00 15" \
             "$ended 30.00 10" "99 5.00 10"; do
    set -- $bid
    printf '<bid>\r\n<item>%s</item>\r\n<maxbid>%s</maxbid>\r\n<margin>%s</margin>\r\n</bid>\r\n' "$1" "$2" "$3"
  done
  printf '</bids>\r\n'
} > "$work/bids.xml"
sleep 4  # the first auctions end before the program reads them: Ended

HOME="$work" XDG_RUNTIME_DIR="$work" xvfb-run -a -s "-screen 0 800x460x24" bash -c "
  cd '$work'; ./quorrel & program=\$!
  sleep 12
  import -window root '$out'
  kill -TERM \$program; wait \$program" > /dev/null 2>&1
echo "screenshot: $out"
