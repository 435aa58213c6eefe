# The guide's page: cmark-gfm's HTML of the Markdown inside a page that says its encoding.
# Usage: cmake -DCMARK=... -DSOURCE=guide.md -DOUTPUT=guide.html -P guide_html.cmake
execute_process(COMMAND ${CMARK} --extension table ${SOURCE} OUTPUT_VARIABLE body
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmark-gfm failed on ${SOURCE}")
endif()
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"ru\">
<head>
<meta charset=\"utf-8\">
<title>Монитор ОРТЕ-473: руководство</title>
<style>body { font-family: Segoe UI, sans-serif; max-width: 50em; margin: 2em auto; line-height: 1.5 }
pre, code { background: #f4f4f4 } table { border-collapse: collapse } td, th { border: 1px solid #ccc; padding: 0.2em 0.5em }</style>
</head>
<body>
${body}</body>
</html>
")
