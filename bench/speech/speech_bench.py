#!/usr/bin/env python3
"""Intelligibility of the spoken time, as an independent listener hears it.

Speaks each time of the sample through `chimely-audio speak` on the null device with the dump
backend, joins the played words as the player queue does, and lets the speech recogniser (its
grammar holds only the clock's own sentences) say what it heard. The same sentences are also
heard from the words as recorded before MP3 encoding and from espeak-ng speaking them whole.
Prints sentence accuracy, word error rate and each word's error rate for the three.
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import wave
import xml.etree.ElementTree as ET

MODEL = "/usr/share/pocketsphinx/model/en-us"
RATE = 22050
# The queue starts the next file one timer tick (0.02 s) after the tick that finds the last one
# ended: on average 0.03 s between words.
QUEUE_GAP = 0.03
# Silence around each sentence, as a listener hears the clock between other sounds.
MARGIN = 0.3
CONDITIONS = ("spoken", "recorded", "espeak")
LABELS = {"spoken": "spoken times (MP3, as played)",
          "recorded": "words before MP3 encoding",
          "espeak": "espeak-ng sentences"}


def load_speech(folder):
    """The dictionary's word -> recorded words, and each recorded word's text."""
    root = ET.parse(os.path.join(folder, "English.xml")).getroot()
    entries = {child.tag: (child.get("value", ""), child.get("composition", "")) for child in root}
    texts = {}
    with open(os.path.join(folder, "words.txt"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                name, text = line.rstrip("\n").split("\t", 1)
                texts[name] = text

    def expand(word, seen=()):
        if word not in entries or word in seen:
            return []
        value, composition = entries[word]
        if value:
            return [value]
        return [w for part in composition.split() for w in expand(part, seen + (word,))]

    return expand, texts


def sentence(expand, hour, minute):
    # The English script: "its" HOUR "oclock" on the hour, else "its" HOUR MINUTE.
    words = ["its", "h%d" % hour] + (["oclock"] if minute == 0 else ["m%d" % minute])
    return [w for word in words for w in expand(word)]


def listener_word(text):
    """A recorded word's text as the recogniser's dictionary spells it."""
    return text.lower()


def grammar(words):
    hours = " | ".join(words[n] for n in ("n%d" % i for i in range(1, 13)))
    digits = " | ".join(words["n%d" % i] for i in range(1, 10))
    teens = " | ".join(words["n%d" % i] for i in range(10, 20))
    tens = " | ".join(words["n%d" % i] for i in (20, 30, 40, 50))
    return ("#JSGF V1.0;\ngrammar clock;\n"
            "public <time> = %s <hour> ( %s | <minute> );\n"
            "<hour> = %s;\n<digit> = %s;\n"
            "<minute> = %s <digit> | %s | ( %s ) [ <digit> ];\n"
            % (words["its"], words["oclock"], hours, digits, words["oh"], teens, tens))


def read_samples(path):
    with wave.open(path) as w:
        if w.getnchannels() != 1 or w.getsampwidth() != 2 or w.getframerate() != RATE:
            raise SystemExit("%s: not 16-bit mono %d Hz" % (path, RATE))
        return w.readframes(w.getnframes())


def write_joined(path, pieces):
    gap = b"\0\0" * int(QUEUE_GAP * RATE)
    margin = b"\0\0" * int(MARGIN * RATE)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(margin + gap.join(pieces) + margin)


def speak(audio, script, dump, hour, minute):
    shutil.rmtree(dump, ignore_errors=True)
    os.makedirs(dump)
    env = dict(os.environ, CHIMELY_AUDIO="null", CHIMELY_AUDIO_DUMP=dump, CHIMELY_VIDEO="headless")
    subprocess.run([audio, "speak", script, "%02d:%02d" % (hour, minute)], env=env, check=True,
                   stdout=subprocess.DEVNULL)
    names = sorted(n for n in os.listdir(dump) if re.fullmatch(r"\d{4}\.wav", n))
    return [read_samples(os.path.join(dump, n)) for n in names]


def to_listener(src, dst):
    subprocess.run(["sox", src, "-r", "16000", "-c", "1", "-b", "16", dst], check=True)


def recognise(folder, names, gram_path, log_path):
    ctl = os.path.join(folder, "list.ctl")
    hyp = os.path.join(folder, "out.hyp")
    with open(ctl, "w") as f:
        f.write("".join(n + "\n" for n in names))
    with open(log_path, "w") as log:
        subprocess.run(["pocketsphinx_batch", "-hmm", os.path.join(MODEL, "en-us"),
                        "-dict", os.path.join(MODEL, "cmudict-en-us.dict"), "-jsgf", gram_path,
                        "-ctl", ctl, "-cepdir", folder, "-cepext", ".wav", "-adcin", "yes",
                        "-adchdr", "44", "-hyp", hyp], stdout=log, stderr=log, check=True)
    heard = {}
    with open(hyp) as f:
        for line in f:
            m = re.match(r"^(.*?)\s*\((\S+)(?:\s+-?\d+)*\)\s*$", line)
            if m:
                heard[m.group(2)] = m.group(1).split()
    return [heard.get(n, []) for n in names]


def align(ref, hyp):
    """Edit distance and, for each reference word, whether it was heard as itself."""
    n, m = len(ref), len(hyp)
    d = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n + 1):
        d[i][0] = i
    for j in range(m + 1):
        d[0][j] = j
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]))
    correct = [False] * n
    i, j = n, m
    while i > 0 and j > 0:
        if d[i][j] == d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]):
            correct[i - 1] = ref[i - 1] == hyp[j - 1]
            i, j = i - 1, j - 1
        elif d[i][j] == d[i - 1][j] + 1:
            i -= 1
        else:
            j -= 1
    return d[n][m], correct


def sample_times(whole_day):
    if whole_day:
        return [(h, m) for h in range(24) for m in range(60)]
    # Every minute twice, every hour several times, every word at least twice.
    times = ([((7 * m + 3) % 24, m) for m in range(60)] + [((5 * m + 11) % 24, m) for m in range(1, 60)]
             + [(h, 0) for h in range(2, 24, 3)])
    return sorted(set(times))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build folder holding tools/chimely-audio, device/ and data/work/")
    parser.add_argument("--day", action="store_true", help="every minute of the day (1,440 times)")
    parser.add_argument("--work", help="folder that keeps the sounds heard and what was recognised "
                        "(default: a temporary folder, removed at the end)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--voice", help="espeak-ng options of the whole sentences (default: those the words are "
                        "recorded with, data/speech/voice.txt)")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    audio = os.path.join(build, "tools", "chimely-audio")
    speech = os.path.join(build, "device", "Program Files", "Chimely", "data", "English")
    recorded = os.path.join(build, "data", "work")
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "speech")
    expand, texts = load_speech(source)
    with open(os.path.join(source, "voice.txt")) as f:
        voice = (args.voice or f.readline()).split()
    words = {name: listener_word(text) for name, text in texts.items()}
    work = args.work or tempfile.mkdtemp(prefix="speech-bench-")
    os.makedirs(work, exist_ok=True)

    times = sample_times(args.day)
    refs = [[words[w] for w in sentence(expand, h, m)] for h, m in times]
    names = ["t%02d%02d" % t for t in times]
    folders = {c: os.path.join(work, c) for c in CONDITIONS}
    for f in folders.values():
        os.makedirs(f, exist_ok=True)
    gram = os.path.join(work, "clock.gram")
    with open(gram, "w") as f:
        f.write(grammar(words))

    def prepare(k):
        (h, m), name = times[k], names[k]
        raw = os.path.join(work, "raw-" + name)
        os.makedirs(raw, exist_ok=True)
        played = speak(audio, os.path.join(speech, "English.script"), os.path.join(raw, "dump"), h, m)
        write_joined(os.path.join(raw, "spoken.wav"), played)
        recs = sentence(expand, h, m)
        write_joined(os.path.join(raw, "recorded.wav"),
                     [read_samples(os.path.join(recorded, w + ".wav")) for w in recs])
        spoken_text = " ".join(texts[w] for w in recs)
        subprocess.run(["espeak-ng"] + voice + ["-w", os.path.join(raw, "espeak-raw.wav"), spoken_text], check=True)
        subprocess.run(["sox", os.path.join(raw, "espeak-raw.wav"), "-r", str(RATE), os.path.join(raw, "espeak.wav"),
                        "silence", "1", "0.01", "0.2%", "reverse", "silence", "1", "0.01", "0.2%", "reverse",
                        "pad", str(MARGIN), str(MARGIN)], check=True)
        for c in CONDITIONS:
            to_listener(os.path.join(raw, c + ".wav"), os.path.join(folders[c], name + ".wav"))
        return len(played) == len(recs)

    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        counts_ok = list(pool.map(prepare, range(len(times))))
    if not all(counts_ok):
        print("warning: some spoken times played a different number of sounds than words", file=sys.stderr)

    print("speech benchmark: %d times, recogniser limited to the clock's sentences; espeak-ng %s%s"
          % (len(times), " ".join(voice), "; sounds in " + work if args.work else ""))
    per_word = {}
    for c in CONDITIONS:
        heard = recognise(folders[c], names, gram, os.path.join(work, c + ".log"))
        right = errors = total = 0
        for ref, hyp in zip(refs, heard):
            dist, correct = align(ref, hyp)
            right += ref == hyp
            errors += dist
            total += len(ref)
            for w, ok in zip(ref, correct):
                seen, missed = per_word.setdefault(w, {}).get(c, (0, 0))
                per_word[w][c] = (seen + 1, missed + (not ok))
        with open(os.path.join(work, c + ".txt"), "w") as f:
            for name, ref, hyp in zip(names, refs, heard):
                f.write("%s\t%s\t%s\n" % (name, " ".join(ref), " ".join(hyp)))
        print("%-32s sentences %5.1f %%  word error rate %5.1f %%" %
              (LABELS[c], 100.0 * right / len(times), 100.0 * errors / total))
    print("word error rate per word (%s):" % " / ".join(CONDITIONS))
    order = [words[n] for n in texts]
    for w in sorted(per_word, key=order.index):
        cells = ["%5.1f" % (100.0 * per_word[w][c][1] / per_word[w][c][0]) for c in CONDITIONS]
        print("  %-10s %s %%  (%d times)" % (w, " / ".join(cells), per_word[w]["spoken"][0]))
    if not args.work:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
