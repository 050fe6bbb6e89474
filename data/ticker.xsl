<?xml version="1.0" encoding="UTF-8"?>
<!-- The ticker preview's page for one item: a "channel" element holding the item. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="no"/>
  <xsl:template match="/">
    <xsl:variable name="item" select="channel/item[1]"/>
    <html>
      <head>
        <meta charset="utf-8"/>
        <title><xsl:value-of select="$item/title"/></title>
        <style type="text/css">
body{font-family:"DejaVu Sans",sans-serif;font-size:9pt;margin:6px;background:#fbfaf8;color:#222;}
h1{font-size:10pt;margin:0 0 2px 0;}
h1 a{color:#1d3f66;text-decoration:none;}
.meta{font-size:8pt;color:#888;margin-bottom:6px;}
.body img{max-width:100%;height:auto;}
        </style>
      </head>
      <body>
        <h1><a href="{$item/link}"><xsl:value-of select="$item/title"/></a></h1>
        <div class="meta">
          <xsl:value-of select="concat($item/channeltitle, ' - ', $item/@date, ' ', substring($item/@time, 1, 5))"/>
        </div>
        <div class="body"><xsl:value-of select="$item/description" disable-output-escaping="yes"/></div>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
