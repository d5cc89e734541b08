#!/usr/bin/env python3
"""readme_html.py README.md README.html: the README as a web page, for the About box to open."""
import html, sys

import markdown  # Debian's python3-markdown

source, target = sys.argv[1], sys.argv[2]
with open(source, encoding="utf-8") as f:
    text = f.read()
title = text.splitlines()[0].lstrip("# ").strip() if text else "ZTR"
body = markdown.markdown(text, extensions=["tables", "fenced_code"], output_format="html")
page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{html.escape(title)}</title>
<style>
body {{ font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.4; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #ccc; padding: 0.2em 0.5em; text-align: left; }}
pre {{ background: #f4f4f4; padding: 0.5em; overflow-x: auto; }}
img {{ max-width: 100%; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""
with open(target, "w", encoding="utf-8") as f:
    f.write(page)
