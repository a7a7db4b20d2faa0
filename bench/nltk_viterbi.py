#!/usr/bin/python3
"""NLTK's ViterbiParser on the model that velmo estimated: reads velmo's -print-model listing,
builds the same PCFG (a new start symbol TOP over velmo's start categories, the word
productions of the words in the given sentences, and for every left-hand side one filler
production that takes the rest of its probability mass, so that the filler never fits a
sentence), and parses each sentence whose words are all in the lexicon, printing its length, the CPU seconds of the parse and
the natural log of the Viterbi probability (or "none").

Usage: nltk_viterbi.py MODEL-LISTING SENTENCES"""
import math
import sys
import time

from nltk.grammar import PCFG, Nonterminal, ProbabilisticProduction
from nltk.parse import ViterbiParser


def read_listing(path):
    words, rules, starts = {}, [], []
    section = None
    with open(path, encoding="latin-1") as listing:
        for line in listing:
            line = line.rstrip("\n")
            if line.endswith("Probabilities") or line.endswith("(upper case)"):
                section = line
                continue
            if not line:
                continue
            if section == "Word Probabilities":
                word, *readings = line.split("\t")
                words[word] = [(r.split(" ")[0], float(r.split(" ")[1])) for r in readings]
            elif section == "Rule Probabilities":
                prob, mother, _, *daughters = line.split(" ")
                rules.append((mother, [d.rstrip("'") for d in daughters], float(prob)))
            elif section == "Start Probabilities":
                prob, category = line.split(" ")
                starts.append((category, float(prob)))
    return words, rules, starts


def sentences_of(path):
    sentence = []
    with open(path, encoding="latin-1") as text:
        for line in text:
            word = line.strip()
            if word:
                sentence.append(word.split("\t")[0])
            elif sentence:
                yield sentence
                sentence = []
    if sentence:
        yield sentence


def main():
    words, rules, starts = read_listing(sys.argv[1])
    # Only sentences whose words are all in the lexicon: velmo's open classes have no NLTK peer.
    sentences = [s for s in sentences_of(sys.argv[2]) if all(w in words for w in s)]
    mass = {}
    productions = []

    def add(lhs, rhs, prob):
        productions.append(ProbabilisticProduction(Nonterminal(lhs), rhs, prob=prob))
        mass[lhs] = mass.get(lhs, 0.0) + prob

    for category, prob in starts:
        add("TOP", [Nonterminal(category)], prob)
    for mother, daughters, prob in rules:
        add(mother, [Nonterminal(d) for d in daughters], prob)
    for word in sorted({w for s in sentences for w in s}):
        for tag, prob in words[word]:
            add(tag, [word], prob)
    # Tags whose words are not in the sentences still need their mass.
    for tag in {t for readings in words.values() for t, _ in readings}:
        mass.setdefault(tag, 0.0)
    for lhs, total in mass.items():
        rest = 1.0 - total
        if rest > 1e-12:
            productions.append(ProbabilisticProduction(Nonterminal(lhs), ["<filler>"], prob=rest))
        elif rest < -1e-3:
            sys.exit(f"probabilities of {lhs} sum to {total}")
    grammar = PCFG(Nonterminal("TOP"), productions)
    parser = ViterbiParser(grammar)
    for sentence in sentences:
        started = time.process_time()
        trees = list(parser.parse(sentence))
        seconds = time.process_time() - started
        logp = f"{math.log(trees[0].prob()):.6g}" if trees else "none"
        print(f"{len(sentence)}\t{seconds:.4f}\t{logp}\t{' '.join(sentence)}", flush=True)


if __name__ == "__main__":
    main()
