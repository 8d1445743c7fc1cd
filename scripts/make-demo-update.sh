#!/usr/bin/env bash
# Fills a demo service's update folder with a real update for the client:
# a newer program file (the built client with a build note appended, so it
# runs and has another checksum), a new module file, a picture for the main
# window's banner and a message shown after the update.
#
#   scripts/make-demo-update.sh CLIENT UPDATE_DIR
#
# Serve UPDATE_DIR with `demo_server --update-dir UPDATE_DIR` and start an
# installed copy of the client without arguments: the first start fetches
# the module and the picture and hands over to its copy in the templates
# folder, which replaces the program file and starts it again with the
# message.
set -euo pipefail
if [ $# -ne 2 ] || [ ! -f "$1" ]; then
  echo "usage: $0 CLIENT UPDATE_DIR" >&2
  exit 2
fi
CLIENT=$1
DIR=$2
mkdir -p "$DIR/DATA/IMAGE"

cp "$CLIENT" "$DIR/DATA/nrclient"
printf '\nnrclient demo update %s\n' "$(date -u +%Y%m%d%H%M%S)" >>"$DIR/DATA/nrclient"
chmod 755 "$DIR/DATA/nrclient"

printf '누리상점 딩동주문3 도움말\r\n업데이트로 받은 모듈 파일입니다.\r\n' >"$DIR/DATA/nrhelp.txt"

# A 24-bit BMP of 300 x 90 in the frame's sky blue with an orange band.
bmp() {
  local w=300 h=90 row pad size
  row=$((w * 3))
  pad=$(((4 - row % 4) % 4))
  size=$((54 + (row + pad) * h))
  le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
  printf 'BM'; le32 "$size"; le32 0; le32 54
  le32 40; le32 "$w"; le32 "$h"; printf '\x01\x00\x18\x00'; le32 0; le32 $((size - 54)); le32 2835; le32 2835; le32 0; le32 0
  local sky orange y line
  sky=$(printf '\xe6\xc8\x87%.0s' $(seq 1 "$w"))        # BGR of (135,200,230)
  orange=$(printf '\x3e\xa2\xff%.0s' $(seq 1 "$w"))     # BGR of (255,162,62)
  for ((y = 0; y < h; y++)); do
    if ((y >= 10 && y < 22)); then line=$orange; else line=$sky; fi
    printf '%s' "$line"
    for ((p = 0; p < pad; p++)); do printf '\x00'; done
  done
}
LC_ALL=C bmp >"$DIR/DATA/IMAGE/NURILogo.bmp"

printf '딩동주문3 업데이트가 설치되었습니다.\n새 도움말 파일(nrhelp.txt)이 추가되었습니다.\n' >"$DIR/MESSAGE.txt"
echo "update folder ready: $DIR"
