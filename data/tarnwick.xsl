<?xml version="1.0" encoding="UTF-8"?>
<!--
  The item viewer's page for an "items" list: one DIV of class "item" per item, in list order.
  Item commands reach the window through the document title: a letter (R read, T tag, D delete),
  ":", the item's position from 1, and a closing character that alternates so that repeating a
  command still changes the title. The item icons are the files the viewer writes into icons/.
  The window marks the item read from the keyboard with the class "current"; enclosures come
  with the window's description of them (kind, kindname, name, size).
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="no"/>

  <xsl:template match="/">
    <html>
      <head>
        <meta charset="utf-8"/>
        <title>Tarnwick</title>
        <style type="text/css">
.channelTitle{display:none;}
body{font-family:"DejaVu Sans",sans-serif;font-size:10pt;margin:6px;background:#fbfaf8;color:#222;}
.bar{font-size:8pt;margin:0 0 6px 0;}
.bar a{color:#3c6ea8;text-decoration:none;margin-right:10px;}
.item{border-bottom:1px solid #e2ddd6;padding:5px 2px 7px 2px;}
.item .head{display:flex;align-items:center;gap:6px;}
.item .title{font-weight:bold;color:#1d3f66;text-decoration:none;flex:1;cursor:pointer;}
.item.read .title{font-weight:normal;color:#555;}
.item .when{font-size:8pt;color:#888;white-space:nowrap;}
.item .channelTitle{font-size:8pt;color:#6a7a52;margin:2px 0 0 22px;}
.item .body{margin:4px 0 0 22px;overflow-wrap:anywhere;}
.item .body img{max-width:100%;height:auto;}
.item img.cmd{width:16px;height:16px;cursor:pointer;}
.item img.cmd:focus{outline:2px solid #e0a020;outline-offset:1px;}
.collapsed .body{display:none;}
.item.current{background:#eaf0f8;box-shadow:inset 4px 0 0 #1f5fbf;}
.item .enclosure{margin:4px 0 0 22px;font-size:8pt;color:#555;}
.item .enclosure a{color:#3c6ea8;text-decoration:none;}
.item .enclosure .kind{color:#fff;background:#8a8a8a;border-radius:3px;padding:1px 5px;margin-right:2px;}
.item .enclosure.audio .kind{background:#c0511f;}
.item .enclosure.video .kind{background:#7a3fb0;}
.item .enclosure .size{color:#888;margin-left:2px;}
        </style>
        <script type="text/javascript">
var flip = false;
function cmd(letter, position) {
  flip = !flip;
  document.title = letter + ":" + position + (flip ? ";" : ".");
}
function toggle(position) {
  var item = document.getElementById("item" + position);
  item.classList.toggle("collapsed");
  if (!item.classList.contains("read")) { item.classList.add("read"); cmd("R", position); }
}
function press(event, button) {
  if (event.key == "Enter" || event.key == " ") { event.preventDefault(); event.stopPropagation(); button.click(); }
}
function all(open) {
  var items = document.getElementsByClassName("item");
  for (var i = 0; i &lt; items.length; i++) items[i].classList.toggle("collapsed", !open);
}
        </script>
      </head>
      <body>
        <div class="bar">
          <a id="expandall" href="javascript:all(true)">Expand all</a>
          <a id="collapseall" href="javascript:all(false)">Collapse all</a>
        </div>
        <xsl:apply-templates select="items/item"/>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="item">
    <xsl:variable name="n" select="position()"/>
    <div id="item{$n}">
      <xsl:attribute name="class">
        <xsl:text>item collapsed</xsl:text>
        <xsl:if test="read = 'true'"> read</xsl:if>
      </xsl:attribute>
      <div class="head">
        <img class="cmd" alt="read" title="Mark read" aria-label="Mark read" role="button" tabindex="0" onclick="cmd('R',{$n})" onkeydown="press(event, this)">
          <xsl:attribute name="src">
            <xsl:choose>
              <xsl:when test="read = 'true'">icons/prop.png</xsl:when>
              <xsl:otherwise>icons/item.png</xsl:otherwise>
            </xsl:choose>
          </xsl:attribute>
        </img>
        <a class="title" href="javascript:toggle({$n})"><xsl:value-of select="title"/></a>
        <span class="when"><xsl:value-of select="concat(@date, ' ', substring(@time, 1, 5))"/></span>
        <img class="cmd" alt="tag" title="Tag" aria-label="Tag" role="button" tabindex="0" onclick="cmd('T',{$n})" onkeydown="press(event, this)">
          <xsl:attribute name="src">
            <xsl:choose>
              <xsl:when test="flag = 'true'">icons/itemex.png</xsl:when>
              <xsl:otherwise>icons/tagfade.png</xsl:otherwise>
            </xsl:choose>
          </xsl:attribute>
        </img>
        <xsl:if test="link != ''">
          <a href="{link}" aria-label="Open in the browser"><img class="cmd" alt="open" title="Open in the browser" src="icons/link.png"/></a>
        </xsl:if>
        <img class="cmd" alt="delete" title="Delete" aria-label="Delete" role="button" tabindex="0" onclick="cmd('D',{$n})" onkeydown="press(event, this)">
          <xsl:attribute name="src">
            <xsl:choose>
              <xsl:when test="delete = 'true'">icons/nodel.png</xsl:when>
              <xsl:otherwise>icons/del.png</xsl:otherwise>
            </xsl:choose>
          </xsl:attribute>
        </img>
      </div>
      <div class="channelTitle"><xsl:value-of select="channeltitle"/></div>
      <div class="body"><xsl:value-of select="description" disable-output-escaping="yes"/></div>
      <xsl:for-each select="enclosure">
        <div class="enclosure {@kind}">
          <xsl:choose>
            <xsl:when test="@url != ''">
              <a href="{@url}" title="{@url}">
                <span class="kind"><xsl:value-of select="@kindname"/></span>
                <xsl:text> </xsl:text>
                <span class="name"><xsl:value-of select="@name"/></span>
              </a>
            </xsl:when>
            <xsl:otherwise>
              <span class="kind"><xsl:value-of select="@kindname"/></span>
              <xsl:text> </xsl:text>
              <span class="name"><xsl:value-of select="@type"/></span>
            </xsl:otherwise>
          </xsl:choose>
          <xsl:if test="@size != ''"><xsl:text> </xsl:text><span class="size"><xsl:value-of select="@size"/></span></xsl:if>
        </div>
      </xsl:for-each>
    </div>
  </xsl:template>
</xsl:stylesheet>
