" Highlighting of JRL requirements files: keywords, selector functions,
" courses (department code and number, with the lab marker), numbers,
" strings with doubled quotes, and comments.
if exists("b:current_syntax")
  finish
endif

syntax keyword jrlKeyword SELECT LIMIT FROM
syntax keyword jrlFunction CLASS PLACEMENT TAG TAG_DEPT DIST DIST_DEPT RANGE RANGE_TAG RANGE_DIST
syntax keyword jrlFunction class placement tag tag_dept dist dist_dept range range_tag range_dist
syntax match jrlNumber "\<\d\+\>"
syntax match jrlRange "\d\@<=-\d\@="
syntax match jrlCourse "\<[A-Z&]\{4} *\d\{4}L\=\>"
syntax region jrlString matchgroup=jrlString start=/"/ skip=/""/ end=/"/ oneline contains=jrlQuote
syntax match jrlQuote /""/ contained
syntax match jrlComment "//.*$"

highlight default link jrlKeyword Keyword
highlight default link jrlFunction Function
highlight default link jrlNumber Number
highlight default link jrlRange Operator
highlight default link jrlCourse Constant
highlight default link jrlString String
highlight default link jrlQuote SpecialChar
highlight default link jrlComment Comment

let b:current_syntax = "jrl"
