earlier lex
