#!/usr/bin/env python3
"""Writes a mixed Japanese and ASCII text of about SIZE bytes in Shift_JIS,
EUC-JP, ISO-2022-JP and UTF-8, for the conversion benchmark.

Usage: gen-text.py OUTDIR [SIZE_MB]
Lines alternate between English, Japanese and mixed sentences built from a
fixed random seed, so every run measures the same text.
"""
import os
import random
import sys

out = sys.argv[1]
size = int(float(sys.argv[2]) * 1024 * 1024) if len(sys.argv) > 2 else 50 * 1024 * 1024
rnd = random.Random(20261206)

kanji = "日本語漢字会議予定確認連絡送信受信添付資料東京大阪名古屋電子郵便社員部長課長今週来週月曜火曜水曜木曜金曜午前午後時間場所担当者報告書"
kana = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげござじずぜぞ"
kata = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲンー"
punct = "、。「」（）・"
ascii_words = ["meeting", "schedule", "Tokyo", "2026", "report", "mail", "the", "of", "and", "velnaro", "OK", "#42"]

def jp_word():
    pool = rnd.choice([kanji, kana, kata])
    return "".join(rnd.choice(pool) for _ in range(rnd.randint(1, 6)))

def line():
    kind = rnd.random()
    parts = []
    for _ in range(rnd.randint(3, 12)):
        if kind < 0.3:
            parts.append(rnd.choice(ascii_words))
        elif kind < 0.7:
            parts.append(jp_word() + (rnd.choice(punct) if rnd.random() < 0.3 else ""))
        else:
            parts.append(rnd.choice(ascii_words) if rnd.random() < 0.5 else jp_word())
    return (" " if kind < 0.3 or kind >= 0.7 else "").join(parts)

lines = []
total = 0
while total < size:
    l = line()
    lines.append(l)
    total += len(l.encode("cp932")) + 2
text = "\r\n".join(lines) + "\r\n"
os.makedirs(out, exist_ok=True)
for name, codec in (("sjis", "cp932"), ("euc", "euc_jp"), ("jis", "iso2022_jp"), ("utf8", "utf-8")):
    with open(os.path.join(out, "text." + name), "wb") as f:
        f.write(text.encode(codec))
print("wrote %d lines, %d bytes of Shift_JIS" % (len(lines), len(text.encode("cp932"))))
