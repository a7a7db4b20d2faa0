the	DT 120 the
a	DT 80 a
an	DT 10 an
dog	NN 12 dog
dogs	NNS 5 dog	VBZ 1 dog
man	NN 10 man	VB 1 man
saw	VBD 9 see	NN 2 saw
telescope	NN 3 telescope
park	NN 4 park	VB 1 park
in	IN 40 in
with	IN 25 with
on	IN 15 on
and	CC 30 and
barks	VBZ 3 bark	NNS 1 bark
sees	VBZ 4 see
walks	VBZ 3 walk	NNS 2 walk
walked	VBD 4 walk
lives	VBZ 2 live	NNS 1 life
old	JJ 6 old
big	JJ 5 big
new	JJ 4 new
she	PRP 10 she
he	PRP 12 he
it	PRP 9 it
Mary	NNP 6 Mary
John	NNP 7 John
York	NNP 1 York
New York	NNP 4 New York
will	MD 6 will	NN 1 will
see	VB 5 see
time	NN 8 time	VB 1 time
flies	VBZ 2 fly	NNS 2 fly
like	IN 5 like	VB 2 like
arrow	NN 2 arrow
