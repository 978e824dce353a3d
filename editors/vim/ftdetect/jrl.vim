" Files ending in .jrl are JRL requirements files.
autocmd BufRead,BufNewFile *.jrl setfiletype jrl
