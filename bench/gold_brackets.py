#!/usr/bin/env python3
"""Turns trees in the -viterbi format (one per line, "(S (NP (DT the)(N dog))...)") into
Velmo input with treebank brackets: one word per line, an annotation line "\t( LABEL" before
the first word of every constituent and "\t)" after its last, an empty line after each
sentence.

  gold_brackets.py [--no-pos] [--unlabelled] < trees > input

--no-pos leaves out the brackets of the parts of speech, --unlabelled writes brackets without
categories. Lines that are no tree ("No parse for: ...") give no sentence.
"""
import re
import sys

TOKEN = re.compile(r'\(|\)|[^\s()]+')


def parse(line):
    """(label, [children]) for a constituent, (label, word) for a part of speech."""
    tokens = TOKEN.findall(line)
    pos = 0

    def node():
        nonlocal pos
        assert tokens[pos] == '('
        label = tokens[pos + 1]
        pos += 2
        if tokens[pos] not in '()':
            word = tokens[pos]
            assert tokens[pos + 1] == ')'
            pos += 2
            return label, word
        children = []
        while tokens[pos] == '(':
            children.append(node())
        assert tokens[pos] == ')'
        pos += 1
        return label, children

    return node()


def emit(tree, out, pos_brackets, labelled):
    label, body = tree
    is_pos = isinstance(body, str)
    bracket = pos_brackets or not is_pos
    if bracket:
        out.append('\t(' + (' ' + label if labelled else ''))
    if is_pos:
        out.append(body)
    else:
        for child in body:
            emit(child, out, pos_brackets, labelled)
    if bracket:
        out.append('\t)')


def main():
    pos_brackets = '--no-pos' not in sys.argv
    labelled = '--unlabelled' not in sys.argv
    for line in sys.stdin:
        if not line.startswith('('):
            continue
        out = []
        emit(parse(line), out, pos_brackets, labelled)
        sys.stdout.write('\n'.join(out) + '\n\n')


if __name__ == '__main__':
    main()
