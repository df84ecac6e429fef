10 print "日本語のテキスト";
20 rem コメントはそのまま
this line has no number
30 data あいう,abc40 read a$,b$:print a$;b$

45 list
  50 print "done"60 print "never"
